// The field view's frame loop steps, all on the render thread.
#include "app/field_view.h"
#include "app/field_view_character.h"
#include "app/field_view_overlay.h"
#include "app/field_view_world.h"
#include "editor/ground_height.h"

#include <chrono>

namespace quorvane {
namespace {

constexpr const char* kNoCharacterText = "NO CHARACTER";
constexpr float kScrollStepA = 0.00005f;
constexpr float kScrollStepB = 0.0005f;

float AdvanceScroll(float value, float step) {
    value += step;
    return value > 1.0f ? value - 1.0f : value;
}

} // namespace

void CFieldView::UpdateWithTime(int, int) {
    scrollA_ = AdvanceScroll(scrollA_, kScrollStepA);
    scrollB_ = AdvanceScroll(scrollB_, kScrollStepB);
    // The camera update that follows copies the whole block to the GPU.
    Device()->FrameConstants().SetVec4(frame_offset::kAnimationPhases, {scrollA_, scrollB_, 0, 0});
}

void CFieldView::ApplyCameraInput() {
    CCamera& camera = Camera();
    if (const int wheel = pendingWheel_.exchange(0, std::memory_order_acq_rel); wheel != 0) {
        cameraBusy_ = true;
        Zoom(camera, cameraControl_, wheel);
    }
    const uint32_t width = window_->PixelWidth();
    const uint32_t height = window_->PixelHeight();
    if (width > 0 && height > 0) {
        // The render image has the client area's size: the projection takes its shape.
        camera.aspect = static_cast<float>(width) / static_cast<float>(height);
    }
}

void CFieldView::ApplyBookmarks() {
    CMainField& field = world_->field;
    CCamera& camera = Camera();
    const double now =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    if (const std::optional<BookmarkRequest> request = field.TakeBookmarkRequest()) {
        if (request->store) {
            field.StoreBookmark(request->digit, {{camera.target.x, camera.target.y, camera.target.z, 1.0f},
                                                 cameraControl_.yaw,
                                                 cameraControl_.pitch,
                                                 cameraControl_.zoom});
        } else if (const std::optional<CameraBookmark> mark = field.Bookmark(request->digit)) {
            glide_.Start(camera, cameraControl_, {mark->target.x, mark->target.y, mark->target.z},
                         {mark->zoom, mark->pitch, mark->yaw}, now);
        }
    }
    if (glide_.Step(camera, cameraControl_, now)) {
        cameraBusy_ = true;
    }
    if (std::string message = field.BookmarkMessage(); message != toldBookmarkMessage_) {
        toldBookmarkMessage_ = message;
        if (!message.empty()) {
            Tell(true, QString::fromStdString(message));
        }
    }
}

void CFieldView::PublishCamera() {
    FieldCameraView view{Camera(), static_cast<int>(window_->PixelWidth()),
                         static_cast<int>(window_->PixelHeight())};
    std::lock_guard lock(cameraMutex_);
    cameraView_ = view;
    cameraControlView_ = cameraControl_;
}

void CFieldView::UpdateCameraAndPick() {
    CMainField& field = world_->field;
    if (!field.TakeMouseMoved()) {
        return;
    }
    const InputState input = field.Input();
    FieldCameraView view{Camera(), static_cast<int>(window_->PixelWidth()),
                         static_cast<int>(window_->PixelHeight())};
    if (cameraDrag_.Step(view, cameraControl_, input)) {
        cameraBusy_ = true;
        Camera() = view.camera;
    }
    if (input.shiftHeld) {
        return; // the mouse drives the camera, not the pick
    }
    cameraBusy_ = true;
    const std::optional<Vector4> ground = GroundHit(view, input.mouseClient);
    if (!ground) {
        return; // a ray that misses the ground keeps the last pick
    }
    Vector4 pick = field.Vectors().pickPoint;
    if (const std::optional<Vector4> height = GroundHeight(world_->lists, ground->x, ground->y)) {
        pick = {ground->x, ground->y, height->z, 0.0f};
    } else {
        pick.x = ground->x;
        pick.y = ground->y;
    }
    field.SetPickPoint(pick);
}

ViewPresets CFieldView::Presets() const {
    return {.horizontal = horizontalView_.load(std::memory_order_acquire),
            .vertical = verticalView_.load(std::memory_order_acquire)};
}

void CFieldView::FollowGroundOrCharacter() {
    CModelEntry* character = LoadedCharacter(world_->lists);
    const bool skeletonView = skeletonView_.load(std::memory_order_acquire);
    characterMissing_ = skeletonView && character == nullptr;
    if (skeletonView && character != nullptr) {
        SkeletonViewStep(*character);
        return;
    }
    FreeCameraStep();
    if (character != nullptr) {
        // The character stands where the camera looks.
        character->transform.position = {streamCentre_.x, streamCentre_.y, centreGroundHeight_, 1.0f};
    }
}

void CFieldView::FreeCameraStep() {
    CCamera& camera = Camera();
    streamCentre_.x = camera.target.x;
    streamCentre_.y = camera.target.y;
    if (const std::optional<Vector4> height = GroundHeight(world_->lists, streamCentre_.x, streamCentre_.y)) {
        centreGroundHeight_ = height->z;
    }
    streamCentre_.z = centreGroundHeight_;
    FollowGround(camera, cameraControl_, centreGroundHeight_, Presets());
}

void CFieldView::SkeletonViewStep(CModelEntry& character) {
    if (gridDisplay_.exchange(false, std::memory_order_acq_rel) && gridSwitchedOff_) {
        gridSwitchedOff_(); // the check box follows on the UI thread
    }
    world_->scene.ClearMarker();
    walker_.Walk(character, world_->lists, walkHooks_);
    walker_.Stop(character, walkHooks_);
    const Vector4& p = character.transform.position;
    streamCentre_ = {p.x, p.y, p.z};
    CCamera& camera = Camera();
    const ViewPresets presets = Presets();
    const float previousDistance = Length(camera.eye - Vec3{p.x, p.y, p.z});
    const CameraPlacement placement =
        SkeletonCamera(p, walker_.Heading(), presets.horizontal, presets.vertical, previousDistance);
    camera.eye = {placement.eye.x, placement.eye.y, placement.eye.z};
    camera.target = {placement.target.x, placement.target.y, placement.target.z};
}

void CFieldView::FrameUpdate() {
    if (!world_) {
        return;
    }
    world_->field.ApplyPostedInput(); // the camera follows the input of this frame
    ApplyCameraInput();
    ApplyBookmarks();
    UpdateCameraAndPick();
    FollowGroundOrCharacter();
    PublishCamera();
    if (!cameraBusy_) {
        world_->streaming.CommitPhase();
    }
    world_->field.UpdateEditing();
    world_->registry.UpdateEntries(frameStep_);
    world_->streaming.SetCentre(streamCentre_.x, streamCentre_.y);
    cameraBusy_ = false;
}

void CFieldView::DrawScene(CCommonDevice& device) {
    if (!world_) {
        device.BeginScenePass(true, true);
        return;
    }
    CMainField& field = world_->field;
    const EditVectors vectors = field.Vectors();
    FieldSceneState state;
    state.gridDisplay = gridDisplay_.load(std::memory_order_acquire);
    state.skeletonView = skeletonView_.load(std::memory_order_acquire);
    state.colliderDisplay = colliderDisplay_.load(std::memory_order_acquire);
    state.mode = field.Mode();
    state.pickPoint = vectors.pickPoint;
    state.cursorScale = vectors.cursorScale;
    state.cursorOffset = vectors.cursorOffset;
    state.cursorRotation = vectors.cursorRotation;
    state.selectedName = field.SelectedName();
    world_->scene.Draw(device, world_->lists, world_->registry, Camera(), state, field);
}

void CFieldView::CollectUploadCommands(std::vector<VkCommandBuffer>& lists) {
    if (!world_) {
        return;
    }
    lists = world_->registry.FinishUploads();
    // Cursor parts are in no list: their uploads advance here.
    CModelRegistry& registry = world_->registry;
    world_->field.ForEachCursorPart([&registry, &lists](CCursorPart& part) {
        if (part.payload) {
            registry.AdvanceUploads(*part.payload, lists);
        }
    });
}

void CFieldView::DrawOverlay(COverlay2D& overlay) {
    if (!world_) {
        return;
    }
    const CMainField& field = world_->field;
    const EditMode mode = field.Mode();
    if (const std::optional<AxisGuides> guides = GuidesForMode(mode)) {
        const EditVectors vectors = field.Vectors();
        DrawAxisGuides(overlay, Camera(), *guides,
                       guides->atSelection ? vectors.selPosition : vectors.pickPoint);
    }
    if (mode == EditMode::ModePaint) {
        const InputState input = field.Input();
        const bool erasing = input.ctrlKeyDown;
        const CRegistryLists& lists = world_->lists;
        DrawBrushCircle(overlay, Camera(), field.Vectors().pickPoint, field.Brush().radius,
                        erasing ? kEraseCircle : kBrushCircle,
                        [&lists](float x, float y) -> std::optional<float> {
                            const std::optional<Vector4> ground = GroundHeight(lists, x, y);
                            return ground ? std::optional<float>(ground->z) : std::nullopt;
                        });
    }
    const StreamingProgress progress = world_->streaming.Progress();
    std::string line = StreamingProgressText(progress.tilesLoading, progress.gridModelsLoading);
    if (characterMissing_) {
        line = line.empty() ? kNoCharacterText : std::string(kNoCharacterText) + "  " + line;
    }
    DrawProgressLine(overlay, line);
    DrawTransformLine(overlay, TransformStatusText(mode, field.TypedValueText(), field.Snapping()));
    const InputState input = field.Input();
    const auto width = static_cast<float>(window_->PixelWidth());
    const auto height = static_cast<float>(window_->PixelHeight());
    if (input.boxSelecting && width > 0.0f && height > 0.0f) {
        // The overlay is in the render image's pixels, which differ from the
        // client's only for a frame after a resize.
        const float sx = static_cast<float>(Camera().width) / width;
        const float sy = static_cast<float>(Camera().height) / height;
        const auto image = [&](PixelPoint p) {
            return ScreenPoint{static_cast<float>(p.x) * sx, static_cast<float>(p.y) * sy};
        };
        DrawSelectionRectangle(overlay, image(input.boxAnchor), image(input.boxCorner));
    }
}

} // namespace quorvane
