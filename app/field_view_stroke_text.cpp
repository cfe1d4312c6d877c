#include "app/field_view_stroke_text.h"

#include <cctype>
#include <vector>

namespace quorvane {
namespace {

// Glyphs live on a grid 4 units wide and 6 high, y downwards; each character
// advances 6 units.
constexpr float kGlyphHeight = 6.0f;
constexpr float kAdvance = 6.0f;

struct Stroke {
    float x0, y0, x1, y1;
};

struct Glyph {
    char c;
    std::vector<Stroke> strokes;
};

constexpr Stroke kTop{0, 0, 4, 0};
constexpr Stroke kBottom{0, 6, 4, 6};
constexpr Stroke kMiddle{0, 3, 4, 3};
constexpr Stroke kLeft{0, 0, 0, 6};
constexpr Stroke kRight{4, 0, 4, 6};
constexpr Stroke kUpperLeft{0, 0, 0, 3};
constexpr Stroke kUpperRight{4, 0, 4, 3};
constexpr Stroke kLowerLeft{0, 3, 0, 6};
constexpr Stroke kLowerRight{4, 3, 4, 6};

const std::vector<Glyph>& Glyphs() {
    static const std::vector<Glyph> glyphs{
        Glyph{'0', {kTop, kBottom, kLeft, kRight, {0, 6, 4, 0}}},
        Glyph{'1', {{2, 0, 2, 6}, {1, 1, 2, 0}, {1, 6, 3, 6}}},
        Glyph{'2', {kTop, kUpperRight, kMiddle, kLowerLeft, kBottom}},
        Glyph{'3', {kTop, kRight, kBottom, {1, 3, 4, 3}}},
        Glyph{'4', {kUpperLeft, kMiddle, kRight}},
        Glyph{'5', {kTop, kUpperLeft, kMiddle, kLowerRight, kBottom}},
        Glyph{'6', {kTop, kLeft, kBottom, kLowerRight, kMiddle}},
        Glyph{'7', {kTop, {4, 0, 1, 6}}},
        Glyph{'8', {kTop, kBottom, kLeft, kRight, kMiddle}},
        Glyph{'9', {kTop, kUpperLeft, kMiddle, kRight, kBottom}},
        Glyph{'A', {{0, 6, 2, 0}, {2, 0, 4, 6}, {1, 3, 3, 3}}},
        Glyph{'B',
              {kLeft,
               {0, 0, 3, 0},
               {3, 0, 4, 1.5f},
               {4, 1.5f, 3, 3},
               {0, 3, 3, 3},
               {3, 3, 4, 4.5f},
               {4, 4.5f, 3, 6},
               {3, 6, 0, 6}}},
        Glyph{'C', {kTop, kLeft, kBottom}},
        Glyph{'D', {kLeft, {0, 0, 3, 0}, {3, 0, 4, 1}, {4, 1, 4, 5}, {4, 5, 3, 6}, {3, 6, 0, 6}}},
        Glyph{'E', {kTop, kLeft, kBottom, {0, 3, 3, 3}}},
        Glyph{'F', {kTop, kLeft, {0, 3, 3, 3}}},
        Glyph{'G', {kTop, kLeft, kBottom, kLowerRight, {2, 3, 4, 3}}},
        Glyph{'H', {kLeft, kRight, kMiddle}},
        Glyph{'I', {{2, 0, 2, 6}, {1, 0, 3, 0}, {1, 6, 3, 6}}},
        Glyph{'J', {kRight, kBottom, {0, 4, 0, 6}}},
        Glyph{'K', {kLeft, {4, 0, 0, 3}, {0, 3, 4, 6}}},
        Glyph{'L', {kLeft, kBottom}},
        Glyph{'M', {kLeft, {0, 0, 2, 3}, {2, 3, 4, 0}, kRight}},
        Glyph{'N', {kLeft, {0, 0, 4, 6}, kRight}},
        Glyph{'O', {kTop, kBottom, kLeft, kRight}},
        Glyph{'P', {kLeft, kTop, kUpperRight, kMiddle}},
        Glyph{'Q', {kTop, kBottom, kLeft, kRight, {2, 4, 4, 6}}},
        Glyph{'R', {kLeft, kTop, kUpperRight, kMiddle, {1, 3, 4, 6}}},
        Glyph{'S', {kTop, kUpperLeft, kMiddle, kLowerRight, kBottom}},
        Glyph{'T', {kTop, {2, 0, 2, 6}}},
        Glyph{'U', {kLeft, kRight, kBottom}},
        Glyph{'V', {{0, 0, 2, 6}, {2, 6, 4, 0}}},
        Glyph{'W', {kLeft, kRight, {0, 6, 2, 3}, {2, 3, 4, 6}}},
        Glyph{'X', {{0, 0, 4, 6}, {4, 0, 0, 6}}},
        Glyph{'Y', {{0, 0, 2, 3}, {4, 0, 2, 3}, {2, 3, 2, 6}}},
        Glyph{'Z', {kTop, {4, 0, 0, 6}, kBottom}},
        Glyph{':', {{2, 1.5f, 2, 2.5f}, {2, 4, 2, 5}}},
        Glyph{',', {{2, 5, 1, 7}}},
        Glyph{'-', {{1, 3, 3, 3}}},
        Glyph{'.', {{2, 5.5f, 2, 6}}},
    };
    return glyphs;
}

const Glyph* FindGlyph(char c) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& glyph : Glyphs()) {
        if (glyph.c == upper) {
            return &glyph;
        }
    }
    return nullptr;
}

} // namespace

bool CStrokeText::HasGlyph(char c) {
    return FindGlyph(c) != nullptr;
}

float CStrokeText::Width(std::string_view text, float height) {
    if (text.empty()) {
        return 0.0f;
    }
    const float unit = height / kGlyphHeight;
    // The last character takes its glyph width, not its advance.
    return (static_cast<float>(text.size() - 1) * kAdvance + 4.0f) * unit;
}

void CStrokeText::Draw(COverlay2D& overlay, std::string_view text, float left, float top, float height,
                       float strokeWidth, const OverlayColor& color) {
    const float unit = height / kGlyphHeight;
    float x = left;
    for (char c : text) {
        if (const Glyph* glyph = FindGlyph(c)) {
            for (const Stroke& s : glyph->strokes) {
                overlay.Line(x + s.x0 * unit, top + s.y0 * unit, x + s.x1 * unit, top + s.y1 * unit,
                             strokeWidth, color);
            }
        }
        x += kAdvance * unit;
    }
}

} // namespace quorvane
