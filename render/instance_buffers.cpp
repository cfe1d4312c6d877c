#include "render/instance_buffers.h"

#include "render/animation.h"
#include "render/common_device.h"

#include <algorithm>

namespace quorvane {
namespace {

bool Appends(const InstanceReference& reference) {
    const InstancedSource* source = reference.source;
    return reference.ready && reference.visible && source != nullptr && source->ready &&
           source->buffers != nullptr;
}

// Which sources are ready with what counts, and how many references each
// would take: a transform that moves alone waits for the periodic refresh.
uint64_t InstanceContentSignature(std::span<InstancedSource> sources,
                                  std::span<const InstanceReference> references) {
    uint64_t hash = 1469598103934665603ull;
    const auto mix = [&hash](uint64_t value) {
        hash ^= value;
        hash *= 1099511628211ull;
    };
    mix(sources.size());
    for (const InstancedSource& source : sources) {
        mix(reinterpret_cast<uintptr_t>(source.buffers));
        mix(source.ready ? 1u : 0u);
        mix(static_cast<uint32_t>(source.referenceCount));
    }
    for (const InstanceReference& reference : references) {
        if (Appends(reference)) {
            // By position in the span: the span itself is rebuilt every frame.
            mix(static_cast<uint64_t>(reference.source - sources.data()));
        }
    }
    return hash;
}

} // namespace

uint32_t InstanceCapacityFor(uint32_t current, int32_t referenceCount) {
    const uint32_t needed = static_cast<uint32_t>(std::max(0, referenceCount)) * 2;
    if (current > needed) {
        return current;
    }
    const uint32_t base = std::max(needed, CInstanceBuffers::kStep);
    return (base / CInstanceBuffers::kStep + 1) * CInstanceBuffers::kStep;
}

bool EnsureInstanceBuffers(CCommonDevice& device, CInstanceBuffers& buffers, int32_t referenceCount) {
    const uint32_t capacity = InstanceCapacityFor(buffers.capacity, referenceCount);
    if (capacity == buffers.capacity && buffers.HasBuffers()) {
        return true;
    }
    ReleaseInstanceBuffers(device, buffers);
    buffers.capacity = capacity;
    const VkDeviceSize mainBytes = VkDeviceSize{capacity} * sizeof(InstanceRecord);
    buffers.main =
        CreateGpuBuffer(device.Device(), device.Memory(), mainBytes, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, true);
    buffers.shadow =
        CreateGpuBuffer(device.Device(), device.Memory(), mainBytes * CInstanceBuffers::kShadowRecords,
                        VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, true);
    if (!buffers.main || !buffers.shadow || buffers.main.Mapped() == nullptr ||
        buffers.shadow.Mapped() == nullptr) {
        ReleaseInstanceBuffers(device, buffers);
        return false;
    }
    buffers.mainMapped = static_cast<InstanceRecord*>(buffers.main.Mapped());
    buffers.shadowMapped = static_cast<InstanceRecord*>(buffers.shadow.Mapped());
    buffers.mainCount = 0;
    buffers.shadowCount = 0;
    return true;
}

void ReleaseInstanceBuffers(CCommonDevice& device, CInstanceBuffers& buffers) {
    if (buffers.main || buffers.shadow) {
        GpuBuffer main = buffers.main;
        GpuBuffer shadow = buffers.shadow;
        device.DeferRelease([&device, main, shadow]() mutable {
            DestroyGpuBuffer(device.Device(), device.Memory(), main);
            DestroyGpuBuffer(device.Device(), device.Memory(), shadow);
        });
    }
    buffers.main = {};
    buffers.shadow = {};
    buffers.mainMapped = nullptr;
    buffers.shadowMapped = nullptr;
    buffers.mainCount = 0;
    buffers.shadowCount = 0;
    buffers.refreshed = {};
}

void BeginInstanceRefresh(CInstanceBuffers& buffers) {
    buffers.mainCount = 0;
    buffers.shadowCount = 0;
    buffers.refreshed.clear();
}

InstanceRecord MakeInstanceRecord(const Vec4& position, float cascade, const Matrix4& world,
                                  const Matrix4& rotationScale) {
    InstanceRecord record{};
    record.data0 = {position.x, position.y, position.z, position.w};
    record.data1 = {cascade, 0, 0, 0};
    record.matrix = Transpose(world).m;
    record.normalMatrix = Transpose(rotationScale).m;
    return record;
}

bool AppendInstance(CInstanceBuffers& buffers, const Vec4& position, const Matrix4& world,
                    const Matrix4& rotationScale) {
    if (!buffers.HasBuffers() || buffers.mainCount >= buffers.capacity) {
        return false;
    }
    const InstanceRecord record = MakeInstanceRecord(position, 0.0f, world, rotationScale);
    buffers.mainMapped[buffers.mainCount++] = record;
    buffers.refreshed.push_back(record);
    for (uint32_t c = 0; c < CInstanceBuffers::kShadowRecords; ++c) {
        buffers.shadowMapped[buffers.shadowCount++] =
            MakeInstanceRecord(position, static_cast<float>(c), world, rotationScale);
    }
    return true;
}

Matrix4 InstanceWorldMatrix(const Vec4& scale, const Vec4& rotationDegrees, const Vec4& position) {
    return WorldMatrix(scale, rotationDegrees, position);
}

Matrix4 InstanceRotationScale(const Vec4& scale, const Vec4& rotationDegrees) {
    return RotationScaleMatrix(scale, rotationDegrees);
}

bool CInstanceRefreshCounter::Tick(uint64_t contentSignature) {
    if (++calls_ < kInterval && refreshedSignature_ == contentSignature) {
        return false;
    }
    calls_ = 0;
    refreshedSignature_ = contentSignature;
    return true;
}

bool CInstanceRefreshCounter::TickUnchanged() {
    if (++calls_ < kInterval && refreshedSignature_) {
        return false;
    }
    calls_ = 0;
    return true;
}

bool RebuildInstanceData(CCommonDevice& device, CInstanceRefreshCounter& counter,
                         std::span<InstancedSource> sources, std::span<const InstanceReference> references) {
    if (!counter.Tick(InstanceContentSignature(sources, references))) {
        return false;
    }
    FillInstanceData(device, sources, references);
    return true;
}

void FillInstanceData(CCommonDevice& device, std::span<InstancedSource> sources,
                      std::span<const InstanceReference> references) {
    for (InstancedSource& source : sources) {
        if (source.ready && source.buffers != nullptr) {
            BeginInstanceRefresh(*source.buffers);
            EnsureInstanceBuffers(device, *source.buffers, source.referenceCount);
        }
    }
    for (const InstanceReference& reference : references) {
        if (!Appends(reference)) {
            continue;
        }
        const InstancedSource* source = reference.source;
        AppendInstance(*source->buffers, reference.position,
                       InstanceWorldMatrix(reference.scale, reference.rotation, reference.position),
                       InstanceRotationScale(reference.scale, reference.rotation));
    }
}

void CaptureInstances(const CInstanceBuffers& buffers, const BoxCorners& box, const Vec3& centre,
                      CInstanceCullSet& out) {
    out.records.clear();
    out.points.clear();
    out.radii.clear();
    if (!buffers.HasBuffers()) {
        return;
    }
    out.records = buffers.refreshed;
    out.points.reserve(out.records.size());
    out.radii.reserve(out.records.size());
    for (const InstanceRecord& record : out.records) {
        Matrix4 stored;
        stored.m = record.matrix;
        const ViewConePoints points = WorldBoxPoints(box, centre, Transpose(stored));
        out.points.push_back(points);
        out.radii.push_back(Length(points[6] - points[0]) * 0.5f);
    }
}

void WriteVisibleInstances(CInstanceBuffers& buffers, const CInstanceCullSet& set,
                           const InstanceCullView& view) {
    buffers.mainCount = 0;
    buffers.shadowCount = 0;
    if (!buffers.HasBuffers()) {
        return;
    }
    const size_t count = std::min<size_t>(set.records.size(), buffers.capacity);
    for (size_t i = 0; i < count; ++i) {
        const InstanceRecord& record = set.records[i];
        if (IsInViewCone(view.eye, view.target, set.points[i])) {
            buffers.mainMapped[buffers.mainCount++] = record;
        }
        if (!view.shadows) {
            continue;
        }
        const Vec3& centre = set.points[i][8];
        const Vec4 inLight = Transform({centre.x, centre.y, centre.z, 1.0f}, view.lightView);
        for (uint32_t c = 0; c < CInstanceBuffers::kShadowRecords; ++c) {
            if (SphereTouchesCascade({inLight.x, inLight.y, inLight.z}, set.radii[i], view.cascades[c])) {
                // Built here and stored whole: the mapped buffer is only written.
                InstanceRecord shadow = record;
                shadow.data1 = {static_cast<float>(c), 0, 0, 0};
                buffers.shadowMapped[buffers.shadowCount++] = shadow;
            }
        }
    }
}

} // namespace quorvane
