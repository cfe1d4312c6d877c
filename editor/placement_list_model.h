#pragma once

#include <cstdint>

namespace quorvane {

// The placement list window's selected row and page, kept with the editor
// because the editor, the delete button and the window all read and write them.
// Rows are 1-based list positions; selected -1 or 0 means none.
class CPlacementListModel {
public:
    static constexpr int32_t kRowHeight = 22;

    // height: the window's client height in pixels; below one row it counts as one row.
    void SetHeight(int32_t height) { height_ = height; }
    int32_t Height() const { return height_; }
    int32_t RowsPerPage() const;

    int32_t Selected() const { return selected_; }
    int32_t Page() const { return page_; }
    bool HasSelection() const { return selected_ >= 1; }

    int32_t LastPage(int32_t count) const;
    int32_t PageOf(int32_t row) const { return row >= 1 ? (row - 1) / RowsPerPage() : 0; }

    // A click at client y: the row under it, or the last one below the list.
    // Returns the new selected row (0 on an empty list).
    int32_t ClickAt(int32_t clientY, int32_t count);

    // Negative delta (towards the user) turns to the next page; clamped to the pages there are.
    void Wheel(int32_t delta, int32_t count);

    // Selects the last row and turns to its page (after a place).
    void SelectLast(int32_t count);
    // Selects the row (1-based, within count) and turns to its page (a copy picked in the field).
    void Select(int32_t row, int32_t count);

    void ClearSelection() { selected_ = -1; }

    // After a removal: the selected row no further than the last row.
    void ClampSelection(int32_t count);

    void ClampPage(int32_t count);

private:
    int32_t height_ = 200;
    int32_t page_ = 0;
    int32_t selected_ = 0;
};

} // namespace quorvane
