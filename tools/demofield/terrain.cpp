#include "terrain.h"

#include "image.h"
#include "noise.h"

#include <algorithm>
#include <cmath>

namespace quorvane::demofield {
namespace {

constexpr uint32_t kSeed = 20240611;
constexpr double kTileSize = 2 * kFieldHalfSize / kTileCount;
constexpr const char* kTileFolder = "model/main_field/field/";
constexpr const char* kLowFolder = "model/main_field/field_low/";

double ValleyCentreY(double x) {
    return -780 + 220 * std::sin(x / 520);
}

double RoundToFile(double v) {
    return static_cast<double>(std::llround(v * 1000)) / 1000;
}

// Weights of the first three terrain textures (grass, dirt, rock) in red,
// green and blue; alpha stays 1.
Rgba SplatWeights(double x, double y, double height, const Vec3& normal) {
    const double slope = 1 - normal.z;
    double rock = Smoothstep(0.12, 0.32, slope) + 0.8 * Smoothstep(190, 290, height);
    const double valleyDistance = y - ValleyCentreY(x);
    const double pathDistance = y - 25 * std::sin(x / 140);
    double dirt = 0.9 * std::exp(-(valleyDistance * valleyDistance) / (110.0 * 110.0)) +
                  0.6 * Smoothstep(0.6, 0.75, GradientFbm(x / 260, y / 260, 4, kSeed + 11)) +
                  std::exp(-(pathDistance * pathDistance) / 160.0) * (1 - Smoothstep(450, 800, std::fabs(x)));
    rock = std::min(rock, 1.0);
    dirt = std::min(dirt, 1.0) * (1 - rock);
    const double grass = std::max(0.0, 1 - rock - dirt) + 0.02;
    const double sum = grass + dirt + rock;
    return {static_cast<float>(grass / sum), static_cast<float>(dirt / sum), static_cast<float>(rock / sum),
            1.0f};
}

void AddGridTriangles(CMesh& mesh, int columns, int rows) {
    const int stride = columns + 1;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int32_t v00 = r * stride + c, v10 = v00 + 1, v01 = v00 + stride, v11 = v01 + 1;
            // Counter-clockwise seen from above; every quad splits along the same diagonal.
            mesh.AddTriangle(v00, v10, v11);
            mesh.AddTriangle(v00, v11, v01);
        }
    }
}

void WriteTile(COutput& out, const CHeightField& field, int i, int j) {
    const int q = field.QuadsPerTile();
    const int gx0 = (j - 1) * q;
    const int gy0 = (kTileCount - i) * q;
    const int last = field.Points() - 1;
    CMesh mesh;
    mesh.positions.reserve(static_cast<size_t>((q + 1) * (q + 1)));
    for (int r = 0; r <= q; ++r) {
        for (int c = 0; c <= q; ++c) {
            const int gx = gx0 + c, gy = gy0 + r;
            // Texture coordinates run on over the whole field so the textures tile across borders.
            mesh.AddVertex({field.X(gx), field.Y(gy), field.Height(gx, gy)}, field.Normal(gx, gy),
                           field.Splat(gx, gy), static_cast<double>(gx) / q,
                           static_cast<double>(last - gy) / q);
        }
    }
    mesh.UsePart("FIELD_SPLAT");
    AddGridTriangles(mesh, q, q);

    const std::string name = TileName(i, j);
    CModelDesc model;
    model.id = name;
    model.colliderFile = name + ".col";
    model.splatMapCount = 9;
    model.splatMapTextureLayout = 1;
    model.materials.push_back(
        CMaterialDesc{"FIELD_SPLAT", {1, 1, 1, 1}, "", {0.45f, 0.45f, 0.45f, 1}, {0, 0, 0, 1}});
    model.geometries.push_back(CGeometryDesc{name + "_ground", &mesh, true});
    out.WriteModel(kTileFolder + name + ".mdl", model);

    CColliderDesc ground;
    ground.name = name + "_ground";
    ground.type = 5;
    ground.points = mesh.positions;
    ground.normals = mesh.normals;
    ground.triangles = mesh.parts.front().indices;
    out.WriteColliders(kTileFolder + model.colliderFile, name, {ground});
}

// Baked colours of the field for the low-detail model, seen from far away.
CImage BakeFieldColours(const CHeightField& field, int size) {
    static constexpr Rgba kGrass{0.33f, 0.47f, 0.2f, 1}, kDirt{0.47f, 0.37f, 0.26f, 1},
        kRock{0.5f, 0.49f, 0.46f, 1};
    CImage image(size, size);
    const int last = field.Points() - 1;
    const Vec3 sun = Vec3{-0.4, -0.5, 0.75}.Normalized();
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            const int gx = std::min(last, static_cast<int>((px + 0.5) / size * last + 0.5));
            const int gy = std::min(last, static_cast<int>((size - py - 0.5) / size * last + 0.5));
            const Rgba w = field.Splat(gx, gy);
            const double light = 0.55 + 0.45 * std::max(0.0, field.Normal(gx, gy).Dot(sun));
            const double grain = 0.9 + 0.2 * Fbm(px / 6.0, py / 6.0, 3, kSeed + 5);
            Rgba& p = image.At(px, py);
            for (size_t c = 0; c < 3; ++c) {
                p[c] = static_cast<float>((kGrass[c] * w[0] + kDirt[c] * w[1] + kRock[c] * w[2]) * light *
                                          grain);
            }
            p[3] = 1;
        }
    }
    return image;
}

void WriteLowField(COutput& out, const CHeightField& field, int colourMapSize) {
    const int q = field.QuadsPerTile();
    const int step = std::max(1, q / 4); // in fine grid points; divides q so coarse corners are fine corners
    const int last = field.Points() - 1;
    const int cells = last / step;
    // Each fine triangle lies inside one coarse triangle (same diagonal), so
    // the largest gap at the fine points bounds it everywhere.
    double rise = 0;
    for (int gy = 0; gy <= last; ++gy) {
        for (int gx = 0; gx <= last; ++gx) {
            const int cx = std::min(gx / step, cells - 1), cy = std::min(gy / step, cells - 1);
            const double fx = static_cast<double>(gx - cx * step) / step,
                         fy = static_cast<double>(gy - cy * step) / step;
            const double h00 = field.Height(cx * step, cy * step),
                         h10 = field.Height((cx + 1) * step, cy * step);
            const double h01 = field.Height(cx * step, (cy + 1) * step);
            const double h11 = field.Height((cx + 1) * step, (cy + 1) * step);
            const double coarse = fx >= fy ? h00 + (h10 - h00) * fx + (h11 - h10) * fy
                                           : h00 + (h11 - h01) * fx + (h01 - h00) * fy;
            rise = std::max(rise, coarse - field.Height(gx, gy));
        }
    }
    const double drop = rise + 0.5;
    CMesh mesh;
    for (int cy = 0; cy <= cells; ++cy) {
        for (int cx = 0; cx <= cells; ++cx) {
            const int gx = cx * step, gy = cy * step;
            mesh.AddVertex({field.X(gx), field.Y(gy), field.Height(gx, gy) - drop}, field.Normal(gx, gy),
                           {1, 1, 1, 1}, static_cast<double>(gx) / last,
                           static_cast<double>(last - gy) / last);
        }
    }
    mesh.UsePart("FIELD_LOW");
    AddGridTriangles(mesh, cells, cells);

    CModelDesc model;
    model.id = "FIELD_LOW";
    model.textures.push_back(CTextureDesc{"field_low_colour", "field_low.jpg"});
    model.materials.push_back(CMaterialDesc{"FIELD_LOW", {1, 1, 1, 1}, "field_low_colour"});
    model.geometries.push_back(CGeometryDesc{"field_low_ground", &mesh, false});
    out.WriteModel(std::string(kLowFolder) + "field_low.mdl", model);
    out.WriteBytes(std::string(kLowFolder) + "field_low.jpg",
                   EncodeJpeg(BakeFieldColours(field, colourMapSize), 88));
    out.Manifest().pictures.push_back(std::string(kLowFolder) + "field_low.jpg");
}

} // namespace

double GroundHeight(double x, double y) {
    const double plain = 2 + 1.5 * GradientFbm(x / 220 + 3.7, y / 220 + 1.3, 3, kSeed + 3);
    const double mask = Smoothstep(260, 700, std::hypot(x, y));
    const double hills = 40 + 120 * GradientFbm(x / 800 + 17.3, y / 800 - 4.1, 6, kSeed);
    const double edge = Smoothstep(1100, 1900, std::sqrt(std::sqrt(x * x * x * x + y * y * y * y)));
    const double ridges = 330 * edge * RidgedFbm(x / 700 + 9.1, y / 700 + 2.2, 5, kSeed + 7);
    const double d = y - ValleyCentreY(x);
    const double valley = 38 * std::exp(-(d * d) / (170.0 * 170.0));
    return plain + mask * (hills + ridges - valley);
}

std::string TileName(int i, int j) {
    return "Field" + std::to_string(i) + "-" + std::to_string(j);
}

CHeightField::CHeightField(int quadsPerTile)
    : quads_(quadsPerTile), points_(kTileCount * quadsPerTile + 1),
      heights_(static_cast<size_t>(points_) * static_cast<size_t>(points_)), splat_(heights_.size()) {
    for (int gy = 0; gy < points_; ++gy) {
        for (int gx = 0; gx < points_; ++gx) {
            heights_[Index(gx, gy)] = RoundToFile(GroundHeight(X(gx), Y(gy)));
        }
    }
    for (int gy = 0; gy < points_; ++gy) {
        for (int gx = 0; gx < points_; ++gx) {
            splat_[Index(gx, gy)] = SplatWeights(X(gx), Y(gy), Height(gx, gy), Normal(gx, gy));
        }
    }
}

double CHeightField::X(int gx) const {
    return RoundToFile(-kFieldHalfSize + gx * (2 * kFieldHalfSize) / (points_ - 1));
}

double CHeightField::Y(int gy) const {
    return RoundToFile(-kFieldHalfSize + gy * (2 * kFieldHalfSize) / (points_ - 1));
}

Vec3 CHeightField::Normal(int gx, int gy) const {
    const int x0 = std::max(gx - 1, 0), x1 = std::min(gx + 1, points_ - 1);
    const int y0 = std::max(gy - 1, 0), y1 = std::min(gy + 1, points_ - 1);
    const double dx = (Height(x1, gy) - Height(x0, gy)) / (X(x1) - X(x0));
    const double dy = (Height(gx, y1) - Height(gx, y0)) / (Y(y1) - Y(y0));
    return Vec3{-dx, -dy, 1}.Normalized();
}

void WriteTerrain(COutput& out, const CHeightField& field, int colourMapSize) {
    for (int i = 1; i <= kTileCount; ++i) {
        for (int j = 1; j <= kTileCount; ++j) {
            WriteTile(out, field, i, j);
        }
    }
    WriteLowField(out, field, colourMapSize);
}

} // namespace quorvane::demofield
