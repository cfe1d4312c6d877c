#pragma once

#include "editor/edit_mode.h"
#include "editor/vector4.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <string>

namespace quorvane {

// The help block of the info window for an edit mode: the header first.
QStringList InfoHelpLines(EditMode mode);

// The header's colour: placing and moving the cursor, adjusting the selection, or idle.
QColor InfoHeaderColour(EditMode mode);

// "(%.03f, %.03f, %.03f)".
QString FormatInfoVector(const Vector4& v);

// What the value panel shows: the cell's file and the edited values.
struct InfoValues {
    EditMode mode = EditMode::ModeNoModel;
    std::string cellName = "p0p0";
    Vector4 position;
    Vector4 scale{1.0f, 1.0f, 1.0f, 1.0f};
    Vector4 rotation;

    friend bool operator==(const InfoValues&, const InfoValues&) = default;
};

} // namespace quorvane

namespace quorvane {

struct EditVectors;

// The selection's values while a placed model is being adjusted, else the
// cursor's, with its position taken as the pick point less the cursor offset.
InfoValues InfoValuesOf(EditMode mode, const EditVectors& vectors, const std::string& cellName);

} // namespace quorvane
