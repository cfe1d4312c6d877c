#include "collada/collada_import.h"

#include "collada/readers.h"
#include "modeldata/ascii_case.h"
#include "modeldata/file_bytes.h"
#include "modeldata/mdl_reader.h"
#include "modeldata/model_types.h"

#include <filesystem>

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
    if (EndsWithNoCase(path, kExtension)) {
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

bool LoadColladaInPlace(CModel& model, std::span<char> bytes, std::string_view path, std::string& error) {
    if (!LoadFromBuffer(model, bytes.data(), bytes.size(), path)) {
        error = std::string(path) + ": not well-formed XML";
        return false;
    }
    return true;
}

bool LoadCollada(CModel& model, std::string_view path, std::string& error) {
    const CFileBytes bytes = ReadFileBytes(std::filesystem::path(path));
    if (!bytes) {
        model.directory = DirectoryOfPath(path);
        error = bytes.error;
        return false;
    }
    return LoadColladaInPlace(model, {bytes.data.get(), bytes.size}, path, error);
}

bool LoadCollada(CModel& model, std::string_view path) {
    std::string ignored;
    return LoadCollada(model, path, ignored);
}

} // namespace quorvane
