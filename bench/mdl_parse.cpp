// Parse speed of the text model reader on a generated model of about 50 MB
// with dense float arrays, index streams and skin weights.
#include "modeldata/mdl_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

using quorvane::CModel;

void AppendFloats(std::string& out, std::mt19937& random, size_t count, float scale) {
    std::uniform_real_distribution<float> value(-scale, scale);
    char buffer[32];
    for (size_t i = 0; i < count; ++i) {
        const int n = std::snprintf(buffer, sizeof buffer, "%.6f ", static_cast<double>(value(random)));
        out.append(buffer, static_cast<size_t>(n));
    }
    out += '\n';
}

void AppendFloatArray(std::string& out, std::mt19937& random, const std::string& id, int width, size_t count,
                      float scale) {
    out += "FLOAT_ARRAY_BEGIN\n<FLOAT_ARRAY_ID> " + id + "\n<FLOAT_ARRAY_FLOAT_COUNT> " +
           std::to_string(width) + "\n<FLOAT_ARRAY_COUNT> " + std::to_string(count) + "\n<FLOAT_ARRAY>\n";
    AppendFloats(out, random, count * static_cast<size_t>(width), scale);
    out += "FLOAT_ARRAY_END\n";
}

// One skinned geometry of vertexCount vertices and as many triangles.
void AppendGeometry(std::string& out, std::mt19937& random, int index, size_t vertexCount) {
    const std::string name = "mesh" + std::to_string(index);
    out += "GEOMETRY_BEGIN\n<GEOMETRY_ID> " + name + "\n<VERTEX_COUNT> " + std::to_string(vertexCount) + "\n";
    out += "<BIND_SHAPE_MATRIX>\n1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n";
    AppendFloatArray(out, random, name + "_pos", 3, vertexCount, 100.0f);
    AppendFloatArray(out, random, name + "_nrm", 3, vertexCount, 1.0f);
    AppendFloatArray(out, random, name + "_uv", 2, vertexCount, 1.0f);

    const size_t corners = vertexCount * 3;
    out += "POLYGON_DATA_BEGIN\n<MATERIAL_ID> mat0\n<VERTEX_ID> " + name + "_pos\n<NORMAL_ID> " + name +
           "_nrm\n<TEX_ID> 1\n" + name + "_uv\n<VERTEX_OFFSET> 0\n<NORMAL_OFFSET> 1\n<TEX_OFFSET> 2\n" +
           "<POLYGON_INDEX_COUNT> " + std::to_string(corners * 3) + "\n";
    std::uniform_int_distribution<size_t> vertex(0, vertexCount - 1);
    for (size_t c = 0; c < corners; ++c) {
        const std::string v = std::to_string(vertex(random));
        out += v + ' ' + v + ' ' + v + ' ';
    }
    out += "\nPOLYGON_DATA_END\n";

    out += "WEIGHTS_BEGIN\n<WEIGHTS_SIZE> " + std::to_string(vertexCount) + "\n<APPLY_BONE_NUM> 8\n";
    std::uniform_int_distribution<int> bone(0, 63);
    char buffer[32];
    for (size_t v = 0; v < vertexCount; ++v) {
        for (int k = 0; k < 8; ++k) {
            const int n =
                std::snprintf(buffer, sizeof buffer, "%d %.4f ", bone(random), k < 3 ? 0.3333 : 0.0);
            out.append(buffer, static_cast<size_t>(n));
        }
    }
    out += "\nWEIGHTS_END\nGEOMETRY_END\n";
}

std::string GenerateModel(size_t minimumBytes) {
    std::mt19937 random(1234);
    std::string out = "<MODEL_ID>\nbench_model\n<MATERIAL_BEGIN>\n<MATERIAL_NAME> mat0\n<DIFFUSE>\n1 1 1 1\n"
                      "<MATERIAL_END>\n<BONE_ARRAY>\n";
    for (int b = 0; b < 64; ++b) {
        out += "bone" + std::to_string(b) + ' ';
    }
    out += '\n';
    for (int index = 0; out.size() < minimumBytes; ++index) {
        AppendGeometry(out, random, index, 50000);
    }
    return out;
}

} // namespace

int main() {
    const std::string text = GenerateModel(50u * 1000 * 1000);
    const auto path = std::filesystem::temp_directory_path() / "quorvane_bench_mdl_parse.mdl";
    std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));

    double best = 1e9;
    size_t floats = 0;
    for (int run = 0; run < 5; ++run) {
        CModel model;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = quorvane::ReadModelFile(model, path);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ok || model.geometries.empty()) {
            std::fprintf(stderr, "bench_mdl_parse: reading %s failed\n", path.c_str());
            return 1;
        }
        floats = 0;
        for (const auto& geometry : model.geometries) {
            for (const auto& array : geometry->floatArrays) {
                floats += array->values.size();
            }
        }
        best = std::min(best, seconds);
    }
    std::filesystem::remove(path);

    const double megabytes = static_cast<double>(text.size()) / 1e6;
    std::printf("file: %.1f MB, %zu floats; best of 5 reads (file to model): %.3f s\n", megabytes, floats,
                best);
    std::printf("RESULT mdl_parse=%.0f MB/s\n", megabytes / best);
    return 0;
}
