#include "editor/main_field.h"

#include "platform/virtual_key_codes.h"

#include <cstdlib>
#include <utility>

namespace quorvane {

CMainField::CMainField(IModelLoader& loader, std::filesystem::path gridRoot, GridNameReader nameReader)
    : loader_(loader), ownedLists_(std::make_unique<CRegistryLists>()), lists_(*ownedLists_),
      gridRoot_(std::move(gridRoot)), nameReader_(std::move(nameReader)),
      hooks_(std::make_shared<const FieldViewHooks>()), gridWriter_(WriteGridLines),
      fileAccess_(std::make_shared<CGridFileAccess>()) {
    std::lock_guard lock(mutex_);
    placement_.ReadCellNamesLocked(); // the cell a click places in before the mouse ever moved
}

CMainField::CMainField(IModelLoader& loader, CRegistryLists& lists, std::filesystem::path gridRoot,
                       GridNameReader nameReader)
    : loader_(loader), lists_(lists), gridRoot_(std::move(gridRoot)), nameReader_(std::move(nameReader)),
      hooks_(std::make_shared<const FieldViewHooks>()), gridWriter_(WriteGridLines),
      fileAccess_(std::make_shared<CGridFileAccess>()) {
    std::lock_guard lock(mutex_);
    placement_.ReadCellNamesLocked();
}

CMainField::~CMainField() = default;

void CMainField::SetGroundPlanePoint(GroundPlanePointFunction groundPlanePoint) {
    std::lock_guard lock(mutex_);
    input_.SetGroundPlanePoint(std::move(groundPlanePoint));
}

void CMainField::SetRandomRanges(RandomRangesFunction ranges) {
    std::lock_guard lock(mutex_);
    input_.SetRandomRanges(std::move(ranges));
}

void CMainField::SetHooks(FieldViewHooks hooks) {
    std::lock_guard lock(mutex_);
    hooks_ = std::make_shared<const FieldViewHooks>(std::move(hooks));
}

void CMainField::SetClientOrigin(PixelPoint origin) {
    inputs_.Post({FieldInput::Kind::ClientOrigin, 0, origin});
}

void CMainField::SetGridLineWriter(GridLineWriter writer) {
    std::lock_guard lock(mutex_);
    gridWriter_ = std::move(writer);
}

void CMainField::SetGridFileAccess(std::shared_ptr<IGridFileAccess> access) {
    std::lock_guard lock(mutex_);
    fileAccess_ = std::move(access);
}

void CMainField::RunHooks(const CFieldHookCalls& calls) const {
    if (calls.Empty()) {
        return;
    }
    std::shared_ptr<const FieldViewHooks> hooks;
    {
        std::lock_guard lock(mutex_);
        hooks = hooks_;
    }
    calls.Run(*hooks);
}

// ---- posted input ----------------------------------------------------------------

void CMainField::OnKeyDown(int virtualKey) {
    inputs_.Post({FieldInput::Kind::KeyDown, virtualKey, {}});
}

void CMainField::OnKeyUp(int virtualKey) {
    inputs_.Post({FieldInput::Kind::KeyUp, virtualKey, {}});
}

void CMainField::OnLButtonDown(PixelPoint client) {
    inputs_.Post({FieldInput::Kind::LButtonDown, 0, client});
}

void CMainField::OnLButtonUp() {
    inputs_.Post({FieldInput::Kind::LButtonUp, 0, {}});
}

void CMainField::OnMButtonDown(PixelPoint client) {
    inputs_.Post({FieldInput::Kind::MButtonDown, 0, client});
}

void CMainField::OnMButtonUp() {
    inputs_.Post({FieldInput::Kind::MButtonUp, 0, {}});
}

void CMainField::OnRButtonDown(PixelPoint client) {
    inputs_.Post({FieldInput::Kind::RButtonDown, 0, client});
}

void CMainField::OnRButtonUp() {
    inputs_.Post({FieldInput::Kind::RButtonUp, 0, {}});
}

void CMainField::OnMouseMove(PixelPoint client) {
    inputs_.Post({FieldInput::Kind::MouseMove, 0, client});
}

void CMainField::PickListRow(int32_t clientY) {
    inputs_.Post({FieldInput::Kind::ListRow, clientY, {}});
}

void CMainField::WheelList(int32_t delta) {
    inputs_.Post({FieldInput::Kind::ListWheel, delta, {}});
}

void CMainField::RequestDelete() {
    inputs_.Post({FieldInput::Kind::Delete, 0, {}});
}

void CMainField::ApplyPostedInput() {
    inputs_.Drain([this](const FieldInput& input) { ApplyInput(input); });
}

void CMainField::ApplyInput(const FieldInput& input) {
    CFieldHookCalls calls;
    {
        std::lock_guard lock(mutex_);
        switch (input.kind) {
        case FieldInput::Kind::KeyDown:
            input_.KeyDown(input.value, calls);
            break;
        case FieldInput::Kind::KeyUp:
            input_.KeyUp(input.value);
            break;
        case FieldInput::Kind::LButtonDown:
            input_.LeftDown(input.point, calls);
            break;
        case FieldInput::Kind::LButtonUp:
            input_.LeftUp(calls);
            break;
        case FieldInput::Kind::MButtonDown:
            input_.MiddleDown(input.point, calls);
            break;
        case FieldInput::Kind::MButtonUp:
            input_.MiddleUp(calls);
            break;
        case FieldInput::Kind::RButtonDown:
            input_.RightDown(input.point, calls);
            break;
        case FieldInput::Kind::RButtonUp:
            input_.RightUp(calls);
            break;
        case FieldInput::Kind::MouseMove:
            input_.MouseMove(input.point, calls);
            break;
        case FieldInput::Kind::ClientOrigin:
            input_.SetClientOrigin(input.point);
            break;
        case FieldInput::Kind::ListRow:
            ListRowLocked(input.value, calls);
            break;
        case FieldInput::Kind::ListWheel:
            ListWheelLocked(input.value, calls);
            break;
        case FieldInput::Kind::Delete:
            RequestDeleteLocked();
            break;
        }
    }
    // The walking keys, once the core has taken the key.
    if (input.kind == FieldInput::Kind::KeyDown || input.kind == FieldInput::Kind::KeyUp) {
        calls.CharacterKey(input.value, input.kind == FieldInput::Kind::KeyDown);
    }
    RunHooks(calls);
    QueueJournalIfDue(); // a click or Enter may have made a step
}

// ---- transforms ---------------------------------------------------------------

void CMainField::ApplyCursorTransform() {
    std::lock_guard lock(mutex_);
    input_.ApplyCursorTransform();
}

// ---- camera side and snapshots ---------------------------------------------------

void CMainField::SetPickPoint(const Vector4& point) {
    std::lock_guard lock(mutex_);
    edit_.vectors.pickPoint = point;
    placement_.SetCellLocked(quorvane::CellName(PickCell(point.x, point.y)));
}

bool CMainField::TakeMouseMoved() {
    return input_.TakeMouseMoved();
}

EditMode CMainField::Mode() const {
    std::lock_guard lock(mutex_);
    return edit_.mode;
}

EditVectors CMainField::Vectors() const {
    std::lock_guard lock(mutex_);
    return edit_.vectors;
}

InputState CMainField::Input() const {
    std::lock_guard lock(mutex_);
    return edit_.input;
}

std::string CMainField::SelectedName() const {
    std::lock_guard lock(mutex_);
    return edit_.selection.name;
}

std::string CMainField::CellName() const {
    std::lock_guard lock(mutex_);
    return placement_.CellLocked();
}

uint32_t CMainField::CursorPartCount() const {
    std::lock_guard lock(mutex_);
    return placement_.CursorLocked().PartCount();
}

uint32_t CMainField::PlacementSerial() const {
    std::lock_guard lock(mutex_);
    return placementSerial_;
}

bool CMainField::CursorPending() const {
    return placement_.HasPending();
}

CPlacementListModel CMainField::ListModel() const {
    std::lock_guard lock(mutex_);
    return edit_.list;
}

int32_t CMainField::PlacedModelCount() const {
    std::lock_guard lock(mutex_);
    return lists_.placedModels.Count();
}

int32_t CMainField::PlacementRecordCount() const {
    std::lock_guard lock(mutex_);
    return lists_.placementRecords.Count();
}

int32_t CMainField::GridFileCount() const {
    std::lock_guard lock(mutex_);
    return lists_.gridFiles.Count();
}

int32_t CMainField::SharedModelCount() const {
    std::lock_guard lock(mutex_);
    return lists_.sharedModels.Count();
}

std::vector<CPlacedModel> CMainField::PlacementRecordSnapshot() const {
    std::lock_guard lock(mutex_);
    std::vector<CPlacedModel> records;
    records.reserve(static_cast<size_t>(lists_.placementRecords.Count()));
    lists_.placementRecords.ForEach([&records](const CPlacedModel& record) { records.push_back(record); });
    return records;
}

std::string CMainField::TypedValueText() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(edit_.mode) ? edit_.gesture.TypedText() : std::string();
}

bool CMainField::Snapping() const {
    std::lock_guard lock(mutex_);
    return IsInModeGroup(edit_.mode) && edit_.input.ctrlKeyDown && !edit_.gesture.Typing();
}

} // namespace quorvane
