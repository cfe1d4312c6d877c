#include "editor/placement_list_model.h"

#include <algorithm>

namespace quorvane {

int32_t CPlacementListModel::RowsPerPage() const {
    // A window lower than one row would divide by zero below.
    return std::max<int32_t>(height_ / kRowHeight, 1);
}

int32_t CPlacementListModel::LastPage(int32_t count) const {
    return std::max<int32_t>((count - 1) / RowsPerPage(), 0);
}

int32_t CPlacementListModel::ClickAt(int32_t clientY, int32_t count) {
    const int32_t row = RowsPerPage() * page_ + clientY / kRowHeight + 1;
    selected_ = std::min(row, count);
    page_ = selected_ >= 1 ? (selected_ - 1) / RowsPerPage() : 0;
    return selected_;
}

void CPlacementListModel::Wheel(int32_t delta, int32_t count) {
    page_ += delta < 0 ? 1 : -1;
    ClampPage(count);
}

void CPlacementListModel::SelectLast(int32_t count) {
    selected_ = count;
    page_ = PageOf(selected_);
}

void CPlacementListModel::Select(int32_t row, int32_t count) {
    if (row < 1 || row > count) {
        return;
    }
    selected_ = row;
    page_ = PageOf(selected_);
}

void CPlacementListModel::ClampSelection(int32_t count) {
    selected_ = std::min(selected_, count);
}

void CPlacementListModel::ClampPage(int32_t count) {
    page_ = std::clamp(page_, 0, LastPage(count));
}

} // namespace quorvane
