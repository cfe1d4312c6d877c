#pragma once

#include "ui/custom_button.h"

#include <functional>

namespace quorvane {

class CMainField;
class CNoticeBanner;

// Hands out the editing core while it exists (it comes and goes with the field view's surface).
using FieldAccess = std::function<CMainField*()>;

// "  リストから削除    ": asks the core to delete the selected placement. The
// core ignores the request in placement and move mode, or with nothing selected.
class CButtonDelete : public CCustomButton {
public:
    CButtonDelete(QWidget* parent, const UiScale& scale, FieldAccess field);

protected:
    void OnClick() override;

private:
    FieldAccess field_;
};

// "配置リストをファイルに書き出し": appends the placement list to the grid map
// files on the core's writing thread; what could not be written is told in the
// notice banner and stays in the list for a later try.
class CButtonWriteFile : public CCustomButton {
public:
    CButtonWriteFile(QWidget* parent, const UiScale& scale, FieldAccess field, CNoticeBanner* notices);

protected:
    void OnClick() override;

private:
    FieldAccess field_;
    CNoticeBanner* notices_; // a sibling in the main window
};

} // namespace quorvane
