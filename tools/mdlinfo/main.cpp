// mdlinfo: prints a summary of a text model, animation, collider file or COLLADA document.
#include "modeldata/ani_reader.h"
#include "modeldata/collider_reader.h"
#include "modeldata/file_bytes.h"
#include "modeldata/mdl_reader.h"
#include "tools/mdlinfo/summary.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

using namespace quorvane;

namespace {

constexpr int kUnreadable = 1;
constexpr int kUsage = 2;

int Usage() {
    std::cerr << "usage: mdlinfo <file.mdl | file.ani [model.mdl] | collider file | file.dae>\n"
                 "  Prints ids and counts of the file's geometries, materials, bones,\n"
                 "  animation channels or colliders. An animation is checked against the\n"
                 "  model when one is given.\n";
    return kUsage;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::string_view(argv[1]) == "-h" || std::string_view(argv[1]) == "--help") {
        return Usage();
    }
    const std::string path = argv[1];
    const CFileBytes file = ReadFileBytes(path);
    if (!file) {
        std::cerr << "mdlinfo: cannot read " << file.error << '\n';
        return kUnreadable;
    }
    const std::string_view bytes = file.Text();
    const mdlinfo::FileKind kind = mdlinfo::DetectFileKind(path, bytes);
    if (argc == 3 && kind != mdlinfo::FileKind::kAnimation) {
        return Usage();
    }
    std::cout << "file: " << path << " (" << bytes.size() << " bytes)\n";
    std::cout << "kind: " << mdlinfo::KindName(kind) << '\n';

    switch (kind) {
    case mdlinfo::FileKind::kModel: {
        CModel model;
        ReadModelText(model, bytes, path);
        std::cout << mdlinfo::DescribeModel(model);
        break;
    }
    case mdlinfo::FileKind::kAnimation: {
        CModel model;
        const bool withModel = argc == 3;
        std::string error;
        if (withModel && !ReadModelFile(model, argv[2], error)) {
            std::cerr << "mdlinfo: cannot read model " << error << '\n';
            return kUnreadable;
        }
        if (!withModel) {
            model.id = FindAnimationTargetModelId(bytes).value_or("");
        }
        if (!ReadAnimationText(model, bytes, "ANIMATION")) {
            std::cerr << "mdlinfo: the animation was made for another model than \"" << model.id << "\"\n";
            return kUnreadable;
        }
        std::cout << mdlinfo::DescribeAnimation(model, withModel);
        break;
    }
    case mdlinfo::FileKind::kCollada: {
        std::string description;
        std::string error;
        if (!mdlinfo::DescribeColladaFile(path, bytes, description, error)) {
            std::cerr << "mdlinfo: cannot read COLLADA document " << error << '\n';
            return kUnreadable;
        }
        std::cout << description;
        break;
    }
    case mdlinfo::FileKind::kCollider: {
        CColliderSet set;
        ReadColliderText(set, bytes);
        std::cout << mdlinfo::DescribeColliders(set);
        break;
    }
    }
    return 0;
}
