#pragma once

#include "model_writer.h"

#include <string>
#include <vector>

namespace quorvane::demofield {

inline constexpr int kTileCount = 26;          // tiles per axis
inline constexpr double kFieldHalfSize = 2000; // the field covers -2000..2000 in x and y

// The ground as one grid over the whole field, shared by every tile so that
// tiles meet exactly: heights are rounded to what the files hold.
class CHeightField {
public:
    explicit CHeightField(int quadsPerTile);

    int QuadsPerTile() const { return quads_; }
    int Points() const { return points_; } // per axis
    double X(int gx) const;
    double Y(int gy) const; // gy counts upwards from y = -2000
    double Height(int gx, int gy) const { return heights_[Index(gx, gy)]; }
    Vec3 Normal(int gx, int gy) const;
    Rgba Splat(int gx, int gy) const { return splat_[Index(gx, gy)]; }

private:
    size_t Index(int gx, int gy) const {
        return static_cast<size_t>(gy) * static_cast<size_t>(points_) + static_cast<size_t>(gx);
    }

    int quads_;
    int points_;
    std::vector<double> heights_;
    std::vector<Rgba> splat_;
};

// The continuous ground: a plain near the origin, hills, a winding valley in
// the south and ridges along the edges; always above 1.
double GroundHeight(double x, double y);

// "Field<i>-<j>": i counts rows from the top (y = 2000 downwards), j columns from x = -2000.
std::string TileName(int i, int j);

// Tiles with mesh colliders, and the low-detail field with its colour map.
void WriteTerrain(COutput& out, const CHeightField& field, int colourMapSize);

} // namespace quorvane::demofield
