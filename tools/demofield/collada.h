#pragma once

#include "mesh.h"

#include <string>
#include <vector>

namespace quorvane::demofield {

// One COLLADA 1.4.1 document holding one triangulated mesh with one material,
// optionally skinned to a single joint that a baked matrix animation turns.
struct CColladaDesc {
    std::string name; // prefix of every id
    const CMesh* mesh = nullptr;
    std::string textureFile; // diffuse image beside the document; empty: diffuse colour
    Rgba diffuse{1, 1, 1, 1};
    // Skinning and animation (joint empty: a static mesh).
    std::string joint;
    Mat4 jointMatrix = Identity(); // the joint's rest transform
    std::vector<double> keyTimes;
    std::vector<Mat4> poses;
};

std::string ColladaText(const CColladaDesc& document);

} // namespace quorvane::demofield
