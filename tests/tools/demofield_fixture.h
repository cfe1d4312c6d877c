#pragma once

#include "demo_field.h"
#include "modeldata/model.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::demofield::testing {

// A field generated once per test binary at low resolution, removed at exit.
struct CGeneratedField {
    COptions options;
    CManifest manifest;
};

const CGeneratedField& ReducedField();
// A fresh folder under the temporary directory, removed at exit.
std::filesystem::path ScratchFolder(const std::string& name);

std::optional<std::string> ReadBytes(const std::filesystem::path& path);
// Relative path of every regular file under root, "/"-separated, sorted.
std::vector<std::string> ListFiles(const std::filesystem::path& root);

// Highest z where the vertical line through (x, y) meets one of the
// triangles (positions indexed three at a time), if any.
struct CTriangleSoup {
    std::vector<std::array<float, 3>> positions;
    std::vector<int32_t> corners;
};
std::optional<double> HeightAt(const CTriangleSoup& soup, double x, double y);
CTriangleSoup ModelTriangles(const CModel& model);

} // namespace quorvane::demofield::testing
