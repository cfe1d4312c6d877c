#include "pictures.h"

#include "canvas.h"
#include "noise.h"

#include <cmath>

namespace quorvane::demofield {
namespace {

constexpr uint32_t kSeed = 7151;

// Periodic noise over the unit square: `cells` lattice cells across, so it tiles.
double Tile(double u, double v, int cells, int octaves, uint32_t seed) {
    return Fbm(u * cells, v * cells, octaves, seed, cells);
}

double RidgedTile(double u, double v, int cells, uint32_t seed) {
    const double n = ValueNoise(u * cells, v * cells, seed, cells);
    return 1 - std::fabs(2 * n - 1);
}

// Fills every pixel from a function of its centre in unit coordinates.
template <typename F> CImage Paint(int size, F colourAt) {
    CImage image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            image.At(x, y) = colourAt((x + 0.5) / size, (y + 0.5) / size);
        }
    }
    return image;
}

Rgba Scale(const Rgba& c, double s) {
    return {static_cast<float>(c[0] * s), static_cast<float>(c[1] * s), static_cast<float>(c[2] * s), c[3]};
}

CImage Grass(int size) {
    return Paint(size, [](double u, double v) {
        const double patches = Tile(u, v, 6, 4, kSeed + 1);
        const double blades = Tile(u, v, 96, 2, kSeed + 2);
        const Rgba base = Mix(Rgb(58, 98, 34), Rgb(122, 150, 58), patches);
        return Scale(base, 0.75 + 0.45 * blades);
    });
}

CImage Dirt(int size) {
    return Paint(size, [](double u, double v) {
        const double clods = Tile(u, v, 8, 5, kSeed + 3);
        const double pebbles = Tile(u, v, 48, 1, kSeed + 4);
        Rgba c = Mix(Rgb(92, 66, 44), Rgb(140, 108, 74), clods);
        if (pebbles > 0.78) {
            c = Mix(c, Rgb(168, 150, 128), (pebbles - 0.78) * 4);
        }
        return Scale(c, 0.85 + 0.3 * Tile(u, v, 128, 1, kSeed + 5));
    });
}

Rgba RockColour(double u, double v, uint32_t seed) {
    const double body = Tile(u, v, 5, 5, seed);
    const double cracks = RidgedTile(u, v, 12, seed + 1) * RidgedTile(u, v, 24, seed + 2);
    Rgba c = Mix(Rgb(96, 94, 90), Rgb(150, 146, 138), body);
    c = Scale(c, 1 - 0.45 * std::pow(cracks, 6));
    return Scale(c, 0.9 + 0.2 * Tile(u, v, 64, 2, seed + 3));
}

CImage Rock(int size) {
    return Paint(size, [](double u, double v) { return RockColour(u, v, kSeed + 6); });
}

CImage Sand(int size) {
    return Paint(size, [](double u, double v) {
        const double warp = Tile(u, v, 4, 3, kSeed + 7);
        const double ripple = 0.5 + 0.5 * std::sin(2 * kPi<double> * (v * 14 + u * 2 + warp * 1.5));
        const Rgba c =
            Mix(Rgb(196, 172, 120), Rgb(226, 206, 156), 0.6 * ripple + 0.4 * Tile(u, v, 10, 3, kSeed + 8));
        return Scale(c, 0.92 + 0.16 * Tile(u, v, 160, 1, kSeed + 9));
    });
}

CImage Gravel(int size) {
    return Paint(size, [](double u, double v) {
        const double stones = Tile(u, v, 40, 2, kSeed + 10);
        const double tint = Tile(u, v, 20, 1, kSeed + 11);
        const Rgba stone = Mix(Rgb(120, 112, 100), Rgb(176, 168, 156), tint);
        const Rgba gap = Rgb(70, 62, 54);
        return Mix(gap, stone, Smoothstep(0.35, 0.55, stones));
    });
}

CImage Moss(int size) {
    return Paint(size, [](double u, double v) {
        const double patches = Tile(u, v, 7, 5, kSeed + 12);
        const Rgba c = Mix(Rgb(40, 70, 28), Rgb(118, 128, 40), Smoothstep(0.4, 0.7, patches));
        return Scale(c, 0.8 + 0.4 * Tile(u, v, 80, 2, kSeed + 13));
    });
}

CImage Snow(int size) {
    return Paint(size, [](double u, double v) {
        const double drift = Tile(u, v, 5, 4, kSeed + 14);
        const double sparkle = Tile(u, v, 200, 1, kSeed + 15) > 0.9 ? 0.06 : 0.0;
        const Rgba c = Mix(Rgb(206, 218, 234), Rgb(250, 252, 255), drift);
        return Scale(c, 1 - 0.04 + sparkle);
    });
}

CImage Mud(int size) {
    return Paint(size, [](double u, double v) {
        const double wet = Tile(u, v, 6, 4, kSeed + 16);
        Rgba c = Mix(Rgb(60, 44, 30), Rgb(96, 72, 50), Tile(u, v, 24, 3, kSeed + 17));
        // Puddles: darker with a faint sky sheen.
        if (wet > 0.62) {
            c = Mix(c, Rgb(52, 50, 48), Smoothstep(0.62, 0.7, wet));
            c = Mix(c, Rgb(120, 130, 140), 0.15 * Smoothstep(0.68, 0.8, wet));
        }
        return c;
    });
}

CImage Cliff(int size) {
    return Paint(size, [](double u, double v) {
        const double warp = Tile(u, v, 4, 3, kSeed + 18);
        const double strata = 0.5 + 0.5 * std::sin(2 * kPi<double> * (v * 9 + warp * 1.2));
        Rgba c = Mix(Rgb(120, 96, 76), Rgb(170, 146, 118), strata);
        c = Mix(c, RockColour(u, v, kSeed + 19), 0.45);
        return c;
    });
}

CImage Perlin(int size) {
    return Paint(size, [](double u, double v) {
        const auto n = static_cast<float>(Tile(u, v, 8, 6, kSeed + 20));
        return Rgba{n, n, n, 1};
    });
}

CImage Bark(int size) {
    return Paint(size, [](double u, double v) {
        const double warp = Tile(u, v, 4, 3, kSeed + 21);
        const double furrows = std::pow(0.5 + 0.5 * std::sin(2 * kPi<double> * (u * 8 + warp * 0.8)), 3);
        Rgba c = Mix(Rgb(104, 76, 52), Rgb(60, 42, 30), furrows);
        return Scale(c, 0.85 + 0.3 * Tile(u, v, 32, 2, kSeed + 22));
    });
}

// Cut-out pictures: clusters of leaves or blades on a transparent ground.
CImage Leaves(int size) {
    CImage image(size, size, Rgb(60, 100, 40, 0)); // transparent, leaf-coloured for filtering
    const double s = size / 256.0;
    for (int i = 0; i < 260; ++i) {
        const double cx = HashUnit(i, 1, kSeed + 23) * size, cy = HashUnit(i, 2, kSeed + 23) * size;
        const double angle = HashUnit(i, 3, kSeed + 23) * 2 * kPi<double>;
        const double length = (10 + 8 * HashUnit(i, 4, kSeed + 23)) * s, width = length * 0.42;
        const Rgba colour = Mix(Rgb(46, 92, 30), Rgb(126, 170, 60), HashUnit(i, 5, kSeed + 23));
        const double ca = std::cos(angle), sa = std::sin(angle);
        Fill(
            image,
            [=](double x, double y) {
                const double dx = x - cx, dy = y - cy;
                const double a = (dx * ca + dy * sa) / length, b = (-dx * sa + dy * ca) / width;
                return a * a + b * b <= 1;
            },
            [=](double x, double y) {
                const double a = ((x - cx) * ca + (y - cy) * sa) / length;
                return Scale(colour, 0.85 + 0.2 * a);
            },
            static_cast<int>(cx - length) - 1, static_cast<int>(cy - length) - 1,
            static_cast<int>(cx + length) + 2, static_cast<int>(cy + length) + 2);
    }
    return image;
}

CImage GrassBlades(int size) {
    CImage image(size, size, Rgb(80, 120, 40, 0));
    for (int i = 0; i < 70; ++i) {
        const double base = (0.04 + 0.92 * HashUnit(i, 1, kSeed + 24)) * size;
        const double height = (0.45 + 0.5 * HashUnit(i, 2, kSeed + 24)) * size;
        const double lean = (HashUnit(i, 3, kSeed + 24) - 0.5) * 0.35 * size;
        const double width = (0.012 + 0.012 * HashUnit(i, 4, kSeed + 24)) * size;
        const Rgba colour = Mix(Rgb(60, 110, 34), Rgb(150, 180, 70), HashUnit(i, 5, kSeed + 24));
        const double tipX = base + lean, tipY = size - height;
        Fill(image,
             Polygon({{base - width, static_cast<double>(size)},
                      {base + width, static_cast<double>(size)},
                      {tipX, tipY}}),
             VerticalGradient(tipY, size, colour, Scale(colour, 0.6)),
             static_cast<int>(std::min(base, tipX) - width) - 1, static_cast<int>(tipY) - 1,
             static_cast<int>(std::max(base, tipX) + width) + 2, size);
    }
    return image;
}

CImage RoofTiles(int size) {
    return Paint(size, [](double u, double v) {
        const int rows = 8;
        const double row = v * rows;
        const int r = static_cast<int>(row);
        const double within = row - r;
        const double shifted = u * 6 + (r % 2) * 0.5;
        const double across = shifted - std::floor(shifted);
        // Each tile is rounded at its lower edge and shaded towards it.
        const double edge = std::pow(std::fabs(across - 0.5) * 2, 2);
        const double shade = within > 0.85 + 0.1 * (1 - edge) ? 0.45 : 1.0 - 0.35 * within;
        const Rgba c = Mix(Rgb(150, 58, 40), Rgb(186, 86, 56), Tile(u, v, 12, 2, kSeed + 25));
        return Scale(c, shade * (0.9 + 0.2 * Tile(u, v, 64, 1, kSeed + 26)));
    });
}

CImage Plaster(int size) {
    return Paint(size, [](double u, double v) {
        const Rgba c = Mix(Rgb(214, 204, 184), Rgb(236, 230, 214), Tile(u, v, 6, 5, kSeed + 27));
        return Scale(c, 0.94 + 0.08 * Tile(u, v, 100, 1, kSeed + 28));
    });
}

CImage Planks(int size) {
    return Paint(size, [size](double u, double v) {
        const int boards = 5;
        const double row = v * boards;
        const int b = static_cast<int>(row);
        const double within = row - b;
        const double grain =
            0.5 + 0.5 * std::sin(2 * kPi<double> * (v * 60 + 3 * Tile(u, v, 4, 3, kSeed + 29 + b)));
        Rgba c = Mix(Rgb(132, 92, 54), Rgb(172, 126, 78), 0.55 * grain + 0.45 * HashUnit(b, 0, kSeed + 30));
        if (within < 0.04 || within > 0.96) {
            c = Scale(c, 0.45); // gap between boards
        }
        const double nail = std::hypot((u - 0.06) * size, (within - 0.5) / boards * size);
        if (nail < size / 128.0) {
            c = Rgb(70, 70, 74);
        }
        return c;
    });
}

} // namespace

CImage MakeModelTexture(ModelTexture kind, int size) {
    switch (kind) {
    case ModelTexture::kBark:
        return Bark(size);
    case ModelTexture::kLeaves:
        return Leaves(size);
    case ModelTexture::kGrassBlades:
        return GrassBlades(size);
    case ModelTexture::kRock:
        return Rock(size);
    case ModelTexture::kRoofTiles:
        return RoofTiles(size);
    case ModelTexture::kPlaster:
        return Plaster(size);
    case ModelTexture::kPlanks:
        return Planks(size);
    }
    return CImage(1, 1);
}

void WriteFieldPictures(COutput& out, int size) {
    using Maker = CImage (*)(int);
    const Maker makers[] = {Grass, Dirt, Rock, Sand, Gravel, Moss, Snow, Mud, Cliff};
    const std::string folder = "pict/MainField/";
    out.WriteBytes(folder + "perlin1.jpg", EncodeJpeg(Perlin(size)));
    out.Manifest().pictures.push_back(folder + "perlin1.jpg");
    for (size_t i = 0; i < std::size(makers); ++i) {
        const std::string path = folder + "field00" + std::to_string(i + 1) + ".jpg";
        out.WriteBytes(path, EncodeJpeg(makers[i](size)));
        out.Manifest().pictures.push_back(path);
    }
}

} // namespace quorvane::demofield
