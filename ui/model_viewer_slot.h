#pragma once

#include <QWidget>

namespace quorvane {

// Where the model viewer's 3D preview goes: an empty view in the viewer's
// background colour until the viewer window takes the place.
class CModelViewerSlot : public QWidget {
public:
    explicit CModelViewerSlot(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quorvane
