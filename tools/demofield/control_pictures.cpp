#include "control_pictures.h"

#include "canvas.h"

namespace quorvane::demofield {
namespace {

constexpr int kButtonSize = 48;
constexpr int kCheckBoxSize = 36;
constexpr int kIconSize = 48;

enum class Glyph { kClose, kSize, kMin };

void DrawGlyph(CImage& image, Glyph glyph, double shift, const Rgba& colour) {
    const double s = shift;
    switch (glyph) {
    case Glyph::kClose:
        Fill(
            image,
            Union(Segment(16 + s, 16 + s, 32 + s, 32 + s, 2.2), Segment(32 + s, 16 + s, 16 + s, 32 + s, 2.2)),
            colour);
        break;
    case Glyph::kSize:
        Fill(image,
             Difference(RoundRect(15 + s, 15 + s, 33 + s, 33 + s, 2),
                        RoundRect(18 + s, 21 + s, 30 + s, 30 + s, 1)),
             colour);
        break;
    case Glyph::kMin:
        Fill(image, RoundRect(15 + s, 29 + s, 33 + s, 33 + s, 1.5), colour);
        break;
    }
}

CImage Button(Glyph glyph, bool down) {
    CImage image(kButtonSize, kButtonSize);
    const bool close = glyph == Glyph::kClose;
    Rgba top = Rgb(132, 102, 102), bottom = Rgb(98, 72, 72);
    if (down) {
        top = close ? Rgb(150, 44, 44) : Rgb(78, 56, 56);
        bottom = close ? Rgb(200, 70, 70) : Rgb(108, 82, 82);
    }
    Fill(image, RoundRect(1, 1, 47, 47, 9), Rgb(200, 180, 180, down ? 0.45 : 0.8));
    Fill(image, RoundRect(2.5, 2.5, 45.5, 45.5, 7.5), VerticalGradient(2.5, 45.5, top, bottom));
    if (!down) {
        // Soft gloss on the upper half of a raised face.
        Fill(image, RoundRect(4, 4, 44, 22, 6), Rgb(255, 255, 255, 0.08));
    }
    const double shift = down ? 1.0 : 0.0;
    DrawGlyph(image, glyph, shift + 0.8, Rgb(40, 20, 20, 0.45)); // shadow
    DrawGlyph(image, glyph, shift, Rgb(248, 238, 238));
    return image;
}

CImage CheckBox(bool checked) {
    CImage image(kCheckBoxSize, kCheckBoxSize);
    if (checked) {
        Fill(image, RoundRect(2, 2, 34, 34, 7), Rgb(120, 44, 44));
        Fill(image, RoundRect(3.5, 3.5, 32.5, 32.5, 5.5),
             VerticalGradient(3.5, 32.5, Rgb(214, 104, 96), Rgb(168, 62, 58)));
        const Inside tick = Union(Segment(10, 18.5, 15.5, 24, 2.6), Segment(15.5, 24, 26, 12, 2.6));
        Fill(
            image, [&](double x, double y) { return tick(x - 0.7, y - 0.9); }, Rgb(70, 20, 20, 0.4));
        Fill(image, tick, Rgb(255, 250, 246));
    } else {
        Fill(image, RoundRect(2, 2, 34, 34, 7), Rgb(150, 118, 118));
        Fill(image, RoundRect(3.5, 3.5, 32.5, 32.5, 5.5),
             VerticalGradient(3.5, 32.5, Rgb(236, 226, 226), Rgb(252, 248, 248)));
        // Inner shadow along the top edge: the box looks recessed.
        Fill(image, Difference(RoundRect(3.5, 3.5, 32.5, 12, 5.5), RoundRect(3.5, 5.5, 32.5, 14, 5.5)),
             Rgb(90, 60, 60, 0.18));
    }
    return image;
}

CImage FolderIcon() {
    CImage image(kIconSize, kIconSize);
    Fill(image, Union(RoundRect(4, 7, 21, 17, 2.5), RoundRect(4, 11, 44, 41, 3)),
         VerticalGradient(7, 41, Rgb(222, 168, 58), Rgb(186, 128, 30)));
    Fill(image, RoundRect(6, 14, 42, 22, 1.5), Rgb(255, 252, 240)); // paper peeking out
    Fill(image, Polygon({{4, 19}, {44, 19}, {44, 41}, {4, 41}}),
         VerticalGradient(19, 41, Rgb(255, 214, 102), Rgb(238, 174, 46)));
    Fill(image, Segment(6, 20.5, 42, 20.5, 0.7), Rgb(255, 255, 255, 0.55));
    Fill(image, Segment(5, 40.3, 43, 40.3, 0.7), Rgb(150, 96, 20, 0.6));
    return image;
}

CImage DefinitionIcon() {
    CImage image(kIconSize, kIconSize);
    Fill(image, Polygon({{8.5, 2.5}, {30.6, 2.5}, {39.5, 11.4}, {39.5, 45.5}, {8.5, 45.5}}),
         Rgb(112, 112, 124));
    Fill(image, Polygon({{10, 4}, {30, 4}, {38, 12}, {38, 44}, {10, 44}}),
         VerticalGradient(4, 44, Rgb(255, 255, 255), Rgb(228, 232, 240)));
    Fill(image, Polygon({{30, 4}, {30, 12}, {38, 12}}), Rgb(196, 200, 212));
    // A small cube: the model the definition places.
    Fill(image, Polygon({{24, 19}, {32, 23.5}, {24, 28}, {16, 23.5}}), Rgb(140, 196, 240));
    Fill(image, Polygon({{16, 23.5}, {24, 28}, {24, 37}, {16, 32.5}}), Rgb(64, 132, 204));
    Fill(image, Polygon({{24, 28}, {32, 23.5}, {32, 32.5}, {24, 37}}), Rgb(36, 88, 160));
    Fill(image, Segment(13, 40.5, 35, 40.5, 0.6), Rgb(160, 164, 180));
    return image;
}

} // namespace

void WriteControlPictures(COutput& out) {
    const std::pair<std::string, CImage> pictures[] = {
        {"pict/ButtonClose.png", Button(Glyph::kClose, false)},
        {"pict/ButtonCloseDown.png", Button(Glyph::kClose, true)},
        {"pict/ButtonSize.png", Button(Glyph::kSize, false)},
        {"pict/ButtonSizeDown.png", Button(Glyph::kSize, true)},
        {"pict/ButtonMin.png", Button(Glyph::kMin, false)},
        {"pict/ButtonMinDown.png", Button(Glyph::kMin, true)},
        {"pict/CheckBoxChecked.png", CheckBox(true)},
        {"pict/CheckBoxUnChecked.png", CheckBox(false)},
        {"pict/IconDir.png", FolderIcon()},
        {"pict/IconMdf.png", DefinitionIcon()},
    };
    for (const auto& [path, image] : pictures) {
        out.WriteBytes(path, EncodePng(image));
        out.Manifest().pictures.push_back(path);
    }
}

} // namespace quorvane::demofield
