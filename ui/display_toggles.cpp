#include "ui/display_toggles.h"

namespace quorvane {
namespace {
bool ValidId(int32_t id) {
    return id >= 1 && id <= CDisplayToggles::kCount;
}
} // namespace

bool CDisplayToggles::IsChecked(int32_t id) const {
    return ValidId(id) && checked_[static_cast<size_t>(id - 1)].load(std::memory_order_acquire);
}

void CDisplayToggles::SetChecked(int32_t id, bool checked) {
    if (ValidId(id)) {
        checked_[static_cast<size_t>(id - 1)].store(checked, std::memory_order_release);
    }
}

int32_t CDisplayToggles::Toggle(int32_t id) {
    if (!ValidId(id)) {
        return 0;
    }
    if (IsChecked(id)) {
        SetChecked(id, false);
        return 0;
    }
    SetChecked(id, true);
    const int32_t partner = id == kVertical ? kHorizontal : id == kHorizontal ? kVertical : 0;
    if (partner != 0 && IsChecked(partner)) {
        SetChecked(partner, false);
        return partner;
    }
    return 0;
}

} // namespace quorvane
