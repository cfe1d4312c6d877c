#pragma once

#include "editor/placement_list_model.h"
#include "ui/field_buttons.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// What the placement list window reads and asks of the editing core: the
// selected row and page, the unique names in list order, a click, the wheel
// and the window's height (which sets the rows a page holds).
class IPlacementListSource {
public:
    virtual ~IPlacementListSource() = default;
    virtual CPlacementListModel Model() const = 0;
    virtual std::vector<std::string> Names() const = 0;
    // Written copies selected in the field, shown after the names and never picked.
    virtual std::vector<std::string> SelectedWritten() const = 0;
    virtual void Pick(int32_t clientY) = 0;
    virtual void Wheel(int32_t delta) = 0;
    virtual void SetHeight(int32_t height) = 0;
};

// The core behind the field view; an empty list while the core does not exist.
class CFieldListSource : public IPlacementListSource {
public:
    explicit CFieldListSource(FieldAccess field) : field_(std::move(field)) {}

    CPlacementListModel Model() const override;
    std::vector<std::string> Names() const override;
    std::vector<std::string> SelectedWritten() const override;
    void Pick(int32_t clientY) override;
    void Wheel(int32_t delta) override;
    void SetHeight(int32_t height) override;

private:
    CMainField* Field() const { return field_ ? field_() : nullptr; }

    FieldAccess field_;
    int32_t height_ = 0; // handed on again before each use: the core may be a new one
};

} // namespace quorvane
