#include "collada/collada_import.h"
#include "tools/mdlinfo/summary.h"

namespace quorvane::mdlinfo {

bool DescribeColladaFile(const std::string& path, std::string_view text, std::string& description,
                         std::string& error) {
    CModel model;
    if (!LoadCollada(model, path, error)) {
        return false;
    }
    // Well-formed XML of another kind loads as an empty model; say so instead.
    if (text.find("<COLLADA") == std::string_view::npos) {
        error = path + ": no COLLADA element";
        return false;
    }
    description = DescribeModel(model);
    return true;
}

} // namespace quorvane::mdlinfo
