#pragma once

#include "render/gpu_resources.h"
#include "render/matrix.h"
#include "render/vertex_formats.h"
#include "render/view_cone.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvane {

class CCommonDevice;

// The instance data of one instanced (shared) model: a main buffer with one
// record per instance and a shadow buffer with three (one per cascade).
struct CInstanceBuffers {
    static constexpr uint32_t kStep = 256;
    static constexpr uint32_t kShadowRecords = 3;

    uint32_t capacity = kStep; // instances
    uint32_t mainCount = 0;
    uint32_t shadowCount = 0;
    GpuBuffer main;
    GpuBuffer shadow;
    InstanceRecord* mainMapped = nullptr;
    InstanceRecord* shadowMapped = nullptr;
    // The main records as the last refresh wrote them. Culling starts from
    // this copy: the mapped buffers are write-combined on most GPUs, and
    // reading them back takes far longer than writing them.
    std::vector<InstanceRecord> refreshed;

    bool HasBuffers() const { return mainMapped != nullptr && shadowMapped != nullptr; }
};

// Grows the buffers (in steps of 256 instances, always above twice the
// reference count) or creates them; nothing when they exist and are large
// enough. False when a buffer could not be created.
bool EnsureInstanceBuffers(CCommonDevice& device, CInstanceBuffers& buffers, int32_t referenceCount);
// Capacity that EnsureInstanceBuffers moves to for a reference count.
uint32_t InstanceCapacityFor(uint32_t current, int32_t referenceCount);
void ReleaseInstanceBuffers(CCommonDevice& device, CInstanceBuffers& buffers);

// Starts a refresh: both counts to zero.
void BeginInstanceRefresh(CInstanceBuffers& buffers);
// The record the instanced vertex shaders read: position, shadow cascade and
// the two matrices.
InstanceRecord MakeInstanceRecord(const Vec4& position, float cascade, const Matrix4& world,
                                  const Matrix4& rotationScale);
// One instance: a main record and three shadow records (cascades 0, 1, 2).
// False when the main buffer is full (or there are no buffers).
bool AppendInstance(CInstanceBuffers& buffers, const Vec4& position, const Matrix4& world,
                    const Matrix4& rotationScale);

// An instance's matrices from its scale, rotation in degrees and position,
// exactly as a drawable model's own transform.
Matrix4 InstanceWorldMatrix(const Vec4& scale, const Vec4& rotationDegrees, const Vec4& position);
Matrix4 InstanceRotationScale(const Vec4& scale, const Vec4& rotationDegrees);

// Instance data is refreshed every 100th frame, and at once when what it
// would hold changes: at a few frames a second, streamed-in placements would
// otherwise stay invisible for half a minute.
class CInstanceRefreshCounter {
public:
    static constexpr uint32_t kInterval = 100;
    // True on every 100th call and whenever the content differs from the
    // last refresh's (the counter then starts again).
    bool Tick(uint64_t contentSignature);
    // A call that knows the content is what the last call saw: true only
    // when the periodic refresh is due.
    bool TickUnchanged();

private:
    uint32_t calls_ = 0;
    std::optional<uint64_t> refreshedSignature_;
};

// What the instance refresh needs to know of the registry: the instanced
// (shared) entries, and the placements that draw them.
struct InstancedSource {
    CInstanceBuffers* buffers = nullptr;
    int32_t referenceCount = 0;
    bool ready = false;
};

struct InstanceReference {
    InstancedSource* source = nullptr;
    Vec4 scale{1, 1, 1, 1};
    Vec4 rotation{0, 0, 0, 1}; // degrees
    Vec4 position{0, 0, 0, 1};
    bool ready = false;
    bool visible = true;
};

// Each ready source restarts its counts and gets buffers large enough; then
// each ready, visible reference whose source is ready and has room appends
// its records.
void FillInstanceData(CCommonDevice& device, std::span<InstancedSource> sources,
                      std::span<const InstanceReference> references);

// FillInstanceData on a refresh: every 100th call, or when which sources are
// ready, their counts or which references can append changed. False on the
// calls that do nothing.
bool RebuildInstanceData(CCommonDevice& device, CInstanceRefreshCounter& counter,
                         std::span<InstancedSource> sources, std::span<const InstanceReference> references);

// Every instance of one shared model as the last refresh wrote it, with the
// bounds a frame culls against, so that the buffers can hold only what the
// view and the shadow cascades see.
struct CInstanceCullSet {
    std::vector<InstanceRecord> records; // main records of all instances
    std::vector<ViewConePoints> points;  // world box corners and centre
    std::vector<float> radii;            // half the box diagonal
};

// Copies the main records the buffers hold and places the model's box
// (corners and centre in model space) with each record's world matrix.
void CaptureInstances(const CInstanceBuffers& buffers, const BoxCorners& box, const Vec3& centre,
                      CInstanceCullSet& out);

// What a frame sees: the camera for the main records, and when the shadow
// pass runs, the light view with the three cascade boxes.
struct InstanceCullView {
    Vec3 eye;
    Vec3 target;
    bool shadows = false;
    Matrix4 lightView = Identity();
    std::array<CascadeBox, CInstanceBuffers::kShadowRecords> cascades{};
};

// Rewrites the buffers with the instances of set that pass the view cone
// (main) and, with shadows, one shadow record per cascade the instance
// reaches; without shadows the shadow buffer is left empty.
void WriteVisibleInstances(CInstanceBuffers& buffers, const CInstanceCullSet& set,
                           const InstanceCullView& view);

} // namespace quorvane
