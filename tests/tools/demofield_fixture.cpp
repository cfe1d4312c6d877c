#include "demofield_fixture.h"

#include "tests/file_faults.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace quorvane::demofield::testing {
namespace {

const std::filesystem::path& ScratchRoot() {
    static const test::CScratchDirectory root("quorvane-demofield-test");
    return root.Path();
}

} // namespace

std::filesystem::path ScratchFolder(const std::string& name) {
    const auto folder = ScratchRoot() / name;
    std::filesystem::remove_all(folder);
    return folder;
}

const CGeneratedField& ReducedField() {
    static const CGeneratedField field = [] {
        CGeneratedField generated;
        generated.options.output = ScratchFolder("reduced");
        generated.options.quadsPerTile = 4;
        generated.options.fieldTextureSize = 64;
        generated.options.modelTextureSize = 64;
        generated.manifest = GenerateDemoField(generated.options);
        return generated;
    }();
    return field;
}

std::optional<std::string> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::vector<std::string> ListFiles(const std::filesystem::path& root) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.push_back(std::filesystem::relative(entry.path(), root).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<double> HeightAt(const CTriangleSoup& soup, double x, double y) {
    std::optional<double> best;
    for (size_t t = 0; t + 2 < soup.corners.size(); t += 3) {
        const auto& a = soup.positions.at(static_cast<size_t>(soup.corners[t]));
        const auto& b = soup.positions.at(static_cast<size_t>(soup.corners[t + 1]));
        const auto& c = soup.positions.at(static_cast<size_t>(soup.corners[t + 2]));
        const double det = (b[1] - c[1]) * (a[0] - c[0]) + (c[0] - b[0]) * (a[1] - c[1]);
        if (det == 0) {
            continue;
        }
        const double u = ((b[1] - c[1]) * (x - c[0]) + (c[0] - b[0]) * (y - c[1])) / det;
        const double v = ((c[1] - a[1]) * (x - c[0]) + (a[0] - c[0]) * (y - c[1])) / det;
        const double w = 1 - u - v;
        constexpr double kEdge = -1e-9;
        if (u < kEdge || v < kEdge || w < kEdge) {
            continue;
        }
        const double z = u * a[2] + v * b[2] + w * c[2];
        if (!best || z > *best) {
            best = z;
        }
    }
    return best;
}

CTriangleSoup ModelTriangles(const CModel& model) {
    CTriangleSoup soup;
    for (const auto& geometry : model.geometries) {
        for (const auto& polygon : geometry->polygons) {
            const CFloatArray* positions = geometry->FindFloatArray(polygon->vertexId);
            if (positions == nullptr) {
                continue;
            }
            const auto base = static_cast<int32_t>(soup.positions.size());
            for (int64_t i = 0; i < positions->VectorCount(); ++i) {
                const auto p = positions->Vector(i);
                soup.positions.push_back({p[0], p[1], p[2]});
            }
            const int64_t length = polygon->GroupLength();
            for (int64_t corner = 0; corner < polygon->CornerCount(); ++corner) {
                soup.corners.push_back(
                    base + polygon->indices[static_cast<size_t>(corner * length + polygon->vertexOffset)]);
            }
        }
    }
    return soup;
}

} // namespace quorvane::demofield::testing
