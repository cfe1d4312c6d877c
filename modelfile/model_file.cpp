#include "modelfile/model_file.h"

#include "collada/collada_import.h"
#include "modeldata/file_bytes.h"
#include "modeldata/mdl_reader.h"
#include "modelfile/model_format.h"

namespace quorvane {

bool ReadAnyModelFile(CModel& model, const std::filesystem::path& path, std::string& error) {
    // Read once: the content decides as much as the name, and the reader
    // parses the same bytes.
    CFileBytes bytes = ReadFileBytes(path);
    if (!bytes) {
        error = bytes.error;
        return false;
    }
    const std::string name = path.string();
    switch (ModelFormatOf(name, bytes.Text())) {
    case ModelFormat::TextModel:
        ReadModelText(model, bytes.Text(), name);
        return true;
    case ModelFormat::Collada:
        return LoadColladaInPlace(model, {bytes.data.get(), bytes.size}, name, error);
    case ModelFormat::None:
        break;
    }
    error = name + " is neither a text model (.mdl) nor a COLLADA document (.dae)";
    return false;
}

} // namespace quorvane
