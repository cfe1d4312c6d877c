#include "ui/ui_style.h"

#include <QStringList>
#include <algorithm>

namespace quorvane {

QFont UiFont(double points, const UiScale& scale) {
    QFont font;
    // "Meiryo" alone resolves to a Latin face on Linux; the CJK fallback keeps the Japanese texts.
    font.setFamilies({QString::fromUtf8("メイリオ"), "Meiryo", "Noto Sans CJK JP"});
    font.setPointSizeF(std::max(1.0, points / scale.Dpi()));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace quorvane
