#include "ui/ui_style.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace quorvane {

QFont UiFont(double points, const UiScale& scale) {
    QFont font;
    // "Meiryo" alone resolves to a Latin face on Linux; the CJK fallback keeps the Japanese texts.
    font.setFamilies({QString::fromUtf8("メイリオ"), "Meiryo", "Noto Sans CJK JP"});
    font.setPointSizeF(std::max(1.0, points / scale.Dpi()));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont UiFontPixels(double pixels) {
    QFont font = UiFont(1.0, UiScale{});
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    return font;
}

} // namespace quorvane
