#include "collada/collada_import.h"

#include "collada/readers.h"
#include "modeldata/mdl_reader.h"
#include "modeldata/model_types.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

namespace quorvane {
namespace {

void ReadDocument(CModel& model, const pugi::xml_document& document) {
    const pugi::xml_node collada = document.child("COLLADA");
    ReadImages(model, collada);
    ReadMaterials(model, collada);
    ReadGeometries(model, collada);
    CJointsById jointsById;
    ReadSkinControllers(model, collada, jointsById);
    ReadSceneNodes(model, collada, jointsById);
    ReadMaterialBindings(model, collada);
    ReadAnimations(model, collada);
}

// The whole file in a buffer that is not zero-filled first: the parse
// overwrites it in place anyway.
struct CFileBytes {
    std::unique_ptr<char[]> data;
    size_t size = 0;
};

std::optional<CFileBytes> ReadDocumentFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        return std::nullopt;
    }
    CFileBytes bytes{std::make_unique_for_overwrite<char[]>(static_cast<size_t>(size)),
                     static_cast<size_t>(size)};
    if (std::fread(bytes.data.get(), 1, bytes.size, file.get()) != bytes.size) {
        return std::nullopt;
    }
    return bytes;
}

// Parses in place: the document's strings point into the buffer, which
// outlives it.
bool LoadFromBuffer(CModel& model, char* data, size_t size, std::string_view path) {
    model.directory = DirectoryOfPath(path);
    pugi::xml_document document;
    if (!document.load_buffer_inplace(data, size)) {
        return false;
    }
    model.id = ColladaModelId(path);
    ReadDocument(model, document);
    return true;
}

} // namespace

std::string ColladaModelId(std::string_view path) {
    constexpr std::string_view kExtension = ".dae";
    if (path.size() >= kExtension.size() && path.substr(path.size() - kExtension.size()) == kExtension) {
        path.remove_suffix(kExtension.size());
    }
    const size_t separator = path.find_last_of("/\\\n");
    if (separator != std::string_view::npos) {
        path.remove_prefix(separator + 1);
    }
    return CutName(path);
}

bool LoadColladaText(CModel& model, std::string_view text, std::string_view path) {
    std::string bytes(text);
    return LoadFromBuffer(model, bytes.data(), bytes.size(), path);
}

bool LoadCollada(CModel& model, std::string_view path) {
    const auto bytes = ReadDocumentFile(std::filesystem::path(path));
    if (!bytes) {
        model.directory = DirectoryOfPath(path);
        return false;
    }
    return LoadFromBuffer(model, bytes->data.get(), bytes->size, path);
}

} // namespace quorvane
