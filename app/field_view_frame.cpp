// The field view's frame loop steps, all on the render thread.
#include "app/field_view.h"
#include "app/field_view_overlay.h"
#include "app/field_view_world.h"

namespace quorvane {
namespace {

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
        ApplyWheelZoom(camera, cameraControl_, wheel);
    }
    const uint32_t width = window_->PixelWidth();
    const uint32_t height = window_->PixelHeight();
    if (width > 0 && height > 0) {
        // The 1920 x 1080 image is stretched over the client area: draw for its shape.
        camera.aspect = static_cast<float>(width) / static_cast<float>(height);
    }
}

void CFieldView::PublishCamera() {
    FieldCameraView view{Camera(), static_cast<int>(window_->PixelWidth()),
                         static_cast<int>(window_->PixelHeight())};
    std::lock_guard lock(cameraMutex_);
    cameraView_ = view;
}

void CFieldView::UpdatePickPoint() {
    CMainField& field = world_->field;
    if (!field.TakeMouseMoved()) {
        return;
    }
    const InputState input = field.Input();
    if (input.shiftHeld) {
        return; // the mouse drives the camera, not the pick
    }
    const Vector4 ground = GroundPointUnder(CameraSnapshot(), static_cast<float>(input.mouseClient.x),
                                            static_cast<float>(input.mouseClient.y));
    // Without terrain heights the pick keeps its height; only x and y follow.
    Vector4 pick = field.Vectors().pickPoint;
    pick.x = ground.x;
    pick.y = ground.y;
    field.SetPickPoint(pick);
}

void CFieldView::FrameUpdate() {
    if (!world_) {
        return;
    }
    ApplyCameraInput();
    PublishCamera();
    UpdatePickPoint();
    if (!cameraBusy_) {
        world_->streaming.CommitPhase();
    }
    world_->field.UpdateEditing();
    world_->registry.UpdateEntries(frameStep_);
    const CCamera& camera = Camera();
    world_->streaming.SetCentre(camera.target.x, camera.target.y);
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

void CFieldView::CollectUploadLists(std::vector<VkCommandBuffer>& lists) {
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
    const StreamingProgress progress = world_->streaming.Progress();
    DrawProgressLine(overlay, StreamingProgressText(progress.tilesLoading, progress.gridModelsLoading));
}

} // namespace quorvane
