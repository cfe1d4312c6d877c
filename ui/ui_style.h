#pragma once

#include <QColor>
#include <QFont>

namespace quorvane {

// What the side windows need from the application's geometry to size their
// text: the title bar height T and the DPI scale D (logical dpi / 96).
struct UiScale {
    int titleBarHeight = 36;
    double dpiScale = 1.0;

    double Dpi() const { return dpiScale > 0.0 ? dpiScale : 1.0; }
};

// The UI font at a size in points; the sizes of the tool are divided by the
// DPI scale so that text keeps its pixel size on every screen.
QFont UiFont(double points, const UiScale& scale);
// The same family at a pixel height, for text packed into rows of fixed pixels.
QFont UiFontPixels(double pixels);

// Colours of the tool, ARGB as the tool states them.
inline QColor Argb(int alpha, int red, int green, int blue) {
    return QColor(red, green, blue, alpha);
}

namespace ui_colour {
inline const QColor kBackground = Argb(255, 140, 110, 110);
inline const QColor kDark = Argb(255, 100, 70, 70);
inline const QColor kPanel = Argb(255, 220, 190, 190);
inline const QColor kFace = Argb(255, 100, 80, 80);
inline const QColor kText = Argb(255, 180, 160, 160);
} // namespace ui_colour

} // namespace quorvane
