#include "ui/placement_list_source.h"

#include "editor/main_field.h"

namespace quorvane {

CPlacementListModel CFieldListSource::Model() const {
    CMainField* field = Field();
    return field != nullptr ? field->ListModel() : CPlacementListModel{};
}

std::vector<std::string> CFieldListSource::Names() const {
    std::vector<std::string> names;
    if (CMainField* field = Field()) {
        for (const CPlacedModel& record : field->PlacementRecordSnapshot()) {
            names.push_back(record.uniqueName);
        }
    }
    return names;
}

std::vector<std::string> CFieldListSource::SelectedWritten() const {
    CMainField* field = Field();
    return field != nullptr ? field->SelectedWrittenNames() : std::vector<std::string>{};
}

void CFieldListSource::Pick(int32_t clientY) {
    if (CMainField* field = Field()) {
        SetHeight(height_);
        field->PickListRow(clientY);
    }
}

void CFieldListSource::Wheel(int32_t delta) {
    if (CMainField* field = Field()) {
        SetHeight(height_);
        field->WheelList(delta);
    }
}

void CFieldListSource::SetHeight(int32_t height) {
    height_ = height;
    CMainField* field = Field();
    if (field != nullptr && height > 0) {
        field->SetListHeight(height);
    }
}

} // namespace quorvane
