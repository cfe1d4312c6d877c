#pragma once

#include "ui/ui_style.h"

#include <QImage>
#include <QString>
#include <QWidget>

namespace quorvane {

// An owner-drawn button: a rounded text face or a pair of pictures (normal and
// pressed). The click fires when the button is released, wherever the pointer
// is then, and subclasses decide what it does.
class CCustomButton : public QWidget {
public:
    CCustomButton(QWidget* parent, const UiScale& scale);

    // Picture mode from then on; a picture that cannot be read leaves the face colour alone.
    void SetPictures(const QString& normalFile, const QString& pressedFile);
    void SetLabel(const QString& label);
    void SetFaceColour(const QColor& colour) { face_ = colour; }
    void SetRimColour(const QColor& colour) { rim_ = colour; }
    void SetScale(const UiScale& scale) { scale_ = scale; }

    bool Pressed() const { return pressed_; }
    bool PictureMode() const { return pictureMode_; }
    const QString& Label() const { return label_; }
    QColor FaceColour() const { return face_; }
    QColor RimColour() const { return rim_; }

protected:
    virtual void OnClick() {}
    virtual void Paint(QPainter& painter);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    const UiScale& Scale() const { return scale_; }

private:
    void PaintText(QPainter& painter);

    UiScale scale_;
    QColor face_ = Argb(255, 100, 80, 80);
    QColor rim_ = Argb(255, 200, 180, 180);
    bool pressed_ = false;
    bool pictureMode_ = false;
    QString label_;
    QImage normal_;
    QImage pressedPicture_;
};

} // namespace quorvane
