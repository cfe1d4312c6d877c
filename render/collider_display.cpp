#include "render/collider_display.h"

#include "render/collider_skinning.h"
#include "render/common_device.h"
#include "render/draw_model.h"
#include "render/gpu_resources.h"
#include "render/model_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace quorvane {

static_assert(kColliderShapeListBytes == kUniformBlockBytes[3]);
namespace {

constexpr size_t kInfoFirstFloat = 2040;
constexpr uint32_t kQuadVertexCount = 4;
// Points this close to the eye plane (or behind it) have no usable projection.
constexpr float kMinimumW = 1e-6f;

// The vertex buffer of one mesh collider polygon; released after the GPU's
// last frame that may still read it.
class ColliderVertexBuffer final : public CColliderAttachment {
public:
    ColliderVertexBuffer(CCommonDevice& device, GpuBuffer buffer, uint32_t vertexCount)
        : device_(&device), buffer_(buffer), vertexCount_(vertexCount) {}
    ~ColliderVertexBuffer() override {
        if (!buffer_ || !device_->IsReady()) {
            return;
        }
        CCommonDevice* owner = device_;
        owner->DeferRelease([owner, buffer = buffer_]() mutable {
            DestroyGpuBuffer(owner->Device(), owner->Memory(), buffer);
        });
    }
    ColliderVertexBuffer(const ColliderVertexBuffer&) = delete;
    ColliderVertexBuffer& operator=(const ColliderVertexBuffer&) = delete;

    VkBuffer Buffer() const { return buffer_.buffer; }
    uint32_t VertexCount() const { return vertexCount_; }

private:
    CCommonDevice* device_;
    GpuBuffer buffer_;
    uint32_t vertexCount_;
};

bool IsPointShape(ColliderType type) {
    return type == ColliderType::kSphere || type == ColliderType::kBox;
}

bool IsSegmentShape(ColliderType type) {
    return type == ColliderType::kCapsule || type == ColliderType::kRect;
}

// A world point in normalised device coordinates with its clip w; empty when
// the point is behind the eye or the division does not give finite numbers.
struct ProjectedPoint {
    Vec4 ndc;
    float w = 0.0f;
};

std::optional<ProjectedPoint> Project(const CSkinRecord& record, const Matrix4& viewProjection) {
    const Vec4 clip =
        Transform(Vec4{record.position[0], record.position[1], record.position[2], 1.0f}, viewProjection);
    if (!(clip.w > kMinimumW)) {
        return std::nullopt;
    }
    const Vec4 ndc{clip.x / clip.w, clip.y / clip.w, clip.z / clip.w, 1.0f};
    if (!std::isfinite(ndc.x) || !std::isfinite(ndc.y) || !std::isfinite(ndc.z)) {
        return std::nullopt;
    }
    return ProjectedPoint{ndc, clip.w};
}

void PutPoint(ColliderShapeList& list, size_t shape, size_t which, const Vec4& p) {
    float* out = list.data() + shape * 8 + which * 4;
    out[0] = p.x;
    out[1] = p.y;
    out[2] = p.z;
    out[3] = p.w;
}

const ColliderVertexBuffer* PolygonBuffer(const CColliderPolygon& polygon) {
    return dynamic_cast<const ColliderVertexBuffer*>(polygon.gpu.get());
}

// The mesh colliders with the pipeline already set: the owner's model block
// with each collider's matrix in the mesh-matrix entry, then its polygons.
bool DrawMeshColliders(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device,
                       uint32_t instanceCount) {
    if (owner.LoadState() != 4 || instanceCount == 0) {
        return false;
    }
    std::vector<uint8_t> block(kModelBlockBytes);
    bool drew = false;
    for (const auto& collider : set.colliders) {
        if (collider->type != ColliderType::kMesh) {
            continue;
        }
        bool blockSet = false;
        for (const auto& polygon : collider->polygons) {
            const ColliderVertexBuffer* buffer = polygon ? PolygonBuffer(*polygon) : nullptr;
            if (buffer == nullptr || buffer->VertexCount() == 0) {
                continue;
            }
            if (!blockSet) {
                CDrawMesh colliderMesh;
                colliderMesh.bindShapeMatrix = ColliderMatrix(*collider);
                const size_t bytes = WriteModelBlock(owner, colliderMesh, block.data());
                if (!device.SetUniformBlock(UniformBlock::Model, block.data(), bytes)) {
                    return drew;
                }
                blockSet = true;
            }
            device.SetVertexBuffer(0, buffer->Buffer());
            drew = device.Draw(buffer->VertexCount(), instanceCount) || drew;
        }
    }
    return drew;
}

} // namespace

ColliderShapeList BuildColliderShapeList(const CColliderSet& set, float scaleW, const Matrix4& view,
                                         const Matrix4& projection) {
    ColliderShapeList list{};
    const Matrix4 viewProjection = Multiply(view, projection);
    size_t count = 0;
    for (const auto& collider : set.colliders) {
        if (count == kMaxColliderShapes) {
            break;
        }
        const bool segment = IsSegmentShape(collider->type);
        if (!segment && !IsPointShape(collider->type)) {
            continue;
        }
        const auto& points = collider->skinnedRecords;
        // Not skinned yet, or a shape partly behind the eye: nothing sensible to draw.
        if (points.size() < (segment ? 2u : 1u)) {
            continue;
        }
        const auto a = Project(points[0], viewProjection);
        const auto b = segment ? Project(points[1], viewProjection) : std::nullopt;
        if (!a || (segment && !b)) {
            continue;
        }
        const float radius = scaleW * collider->radius / a->w;
        if (!std::isfinite(radius)) {
            continue;
        }
        PutPoint(list, count, 0, a->ndc);
        if (segment) {
            PutPoint(list, count, 1, b->ndc);
        }
        float* info = list.data() + kInfoFirstFloat + count * 4;
        info[0] = static_cast<float>(collider->type);
        info[1] = radius;
        ++count;
    }
    return list;
}

bool CreateColliderGpuData(CColliderSet& set, CCommonDevice& device) {
    if (!device.IsReady()) {
        return false;
    }
    bool complete = true;
    for (const auto& collider : set.colliders) {
        if (collider->type != ColliderType::kMesh) {
            continue;
        }
        const size_t recordTotal = collider->restRecords ? collider->restRecords->size() : 0;
        int32_t vertexCount = 0;
        for (const auto& polygon : collider->polygons) {
            if (!polygon || polygon->recordCount <= 0) {
                continue;
            }
            const auto first = static_cast<size_t>(std::max(polygon->firstRecord, 0));
            const auto count = static_cast<size_t>(polygon->recordCount);
            if (polygon->firstRecord < 0 || first > recordTotal || count > recordTotal - first) {
                std::fprintf(stderr, "render: collider %s: a polygon's records lie outside its vertices\n",
                             collider->name.c_str());
                complete = false;
                continue;
            }
            vertexCount += polygon->recordCount;
            if (polygon->gpu) {
                continue; // made for the source of this instance copy
            }
            const VkDeviceSize bytes = count * sizeof(CSkinRecord);
            GpuBuffer buffer = CreateGpuBuffer(device.Device(), device.Memory(), bytes,
                                               VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, true);
            if (!buffer || buffer.Mapped() == nullptr) {
                DestroyGpuBuffer(device.Device(), device.Memory(), buffer);
                std::fprintf(stderr, "render: collider %s: no memory for its vertex buffer\n",
                             collider->name.c_str());
                complete = false;
                continue;
            }
            std::memcpy(buffer.Mapped(), collider->restRecords->data() + first, bytes);
            polygon->gpu =
                std::make_unique<ColliderVertexBuffer>(device, buffer, static_cast<uint32_t>(count));
        }
        collider->vertexCount = vertexCount;
    }
    return complete;
}

bool DrawColliders(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device, const Matrix4& view,
                   const Matrix4& projection, PipelineId pipelineShapes, PipelineId pipelineMeshes,
                   bool flagA, bool flagB) {
    // Both pipelines read the highlight: the shapes and the meshes light up together.
    const float highlight[4] = {flagA ? 2.0f : flagB ? 1.0f : 0.0f, 0.0f, 0.0f, 0.0f};
    device.SetUniformBlock(UniformBlock::Highlight, highlight, sizeof(highlight));
    bool drew = false;
    if (device.SetPipeline(pipelineShapes)) {
        const ColliderShapeList list = BuildColliderShapeList(set, owner.scale.w, view, projection);
        // The quad covers the whole image: skip it when there is no shape to trace.
        if (list[kInfoFirstFloat] != 0.0f &&
            device.SetUniformBlock(UniformBlock::ColliderShapes, list.data(), kColliderShapeListBytes)) {
            drew = device.Draw(kQuadVertexCount);
        }
    }
    if (device.SetPipeline(pipelineMeshes)) {
        drew = DrawMeshColliders(set, owner, device, 1) || drew;
    }
    return drew;
}

bool DrawColliderMeshes(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device) {
    return DrawMeshColliders(set, owner, device, 1);
}

bool DrawColliderMeshesInstanced(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device,
                                 uint32_t instanceCount) {
    return DrawMeshColliders(set, owner, device, instanceCount);
}

} // namespace quorvane
