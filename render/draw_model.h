#pragma once

#include "render/gpu_resources.h"
#include "render/matrix.h"
#include "render/texture_image.h"
#include "render/texture_loader.h"
#include "render/vertex_formats.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

class CCommonDevice;
class CDescriptorCache;
class CModel;
struct CGeometry;
struct CPolygonData;

inline constexpr uint32_t kNoTextureSlot = 0xFFFFFFFFu;
inline constexpr size_t kObjectBufferBytes = 8448;
inline constexpr size_t kMaterialBufferBytes = 256;
inline constexpr size_t kMaxPaletteBones = 128;

// Eight corners of an axis-aligned box: 0 (min, min, min), 1 (min, max, min),
// 2 (max, max, min), 3 (max, min, min), then 4 to 7 the same at max z.
using BoxCorners = std::array<Vec4, 8>;
// Corners at the opposite extremes (+-10000), so the first point replaces them.
BoxCorners EmptyBoxCorners();
// Every corner component takes the minimum or maximum its role asks for.
void ExtendBox(BoxCorners& box, const Vec3& p);
Vec3 BoxMinimum(const BoxCorners& box);
Vec3 BoxMaximum(const BoxCorners& box);

struct CDrawBone {
    std::string id;
    std::string name;
    int32_t type = 0;
    Matrix4 restMatrix = Identity();
    Matrix4 inverseBindMatrix = Identity();
    Matrix4 localMatrix = Identity();
    Matrix4 blendMatrix = Identity();
    Matrix4 finalMatrix = Identity();
    std::vector<CDrawBone*> children;
    CDrawBone* parent = nullptr;
    bool blending = false;
    int32_t blendFrames = 0;
    int32_t blendFrame = 0;
};

struct CDrawChannel {
    std::string target;
    CDrawBone* bone = nullptr;
    std::vector<float> keyTimes;
    std::vector<Matrix4> poses; // transposed on copy
};

struct CDrawAnimation {
    std::string name;
    std::string animationId;
    std::vector<CDrawChannel> channels;
};

// One polygon block's material: colours and texture, and a small buffer its
// material block is assembled in.
struct CMaterialBinding {
    CDescriptorCache* descriptors = nullptr;
    GpuBuffer materialBuffer;
    void* mapped = nullptr;
    uint32_t slot = kNoTextureSlot; // the material buffer's descriptor slot
    std::array<Vec4, 4> colours{};  // diffuse, ambient, emission, specular
    int32_t texturePosition = -1;   // position of the material's texture in the model's textures
    const GpuTexture* texture = nullptr;
    uint32_t textureSlot = kNoTextureSlot;
};

// One polygon block: a flat triangle list of ColorVertex.
struct CDrawPart {
    GpuBuffer vertexBuffer;
    uint32_t vertexCount = 0;
    std::unique_ptr<CMaterialBinding> binding; // null when the material was not found
};

struct CDrawMesh {
    std::vector<CDrawPart> parts;
    Matrix4 bindShapeMatrix = Identity(); // transposed from the geometry
    BoxCorners boxCorners{};              // starts at zero: always holds the mesh origin
    Vec3 center;
    float radius = 0.0f;
    int32_t isSplatMapLayout = 0;
    int32_t splatMapDecalTextureNum = 0;
};

// Where a build puts its buffers: host-visible and ready at once, or in
// device-local memory with copies that finish with a later frame.
enum class DrawModelPlacement { CpuVisible, VideoMemory };

// The GPU-side form of a model. Built on a loader thread, drawn on the render
// thread once loadState reaches 4.
class CDrawModel {
public:
    // Loader-slot form: uploads are recorded on commandList (an entry of the
    // device's upload pool) and reach the GPU with a frame (TakeUploadCommands).
    // The form without a command buffer submits its copies on the device queue
    // at once: only for callers that own the queue then (tools, tests, a view
    // whose render thread is not running).
    CDrawModel(CCommonDevice* device, VkCommandBuffer commandList, int32_t loaderSlot);
    explicit CDrawModel(CCommonDevice* device) : CDrawModel(device, VK_NULL_HANDLE, -1) {}
    ~CDrawModel();
    CDrawModel(const CDrawModel&) = delete;
    CDrawModel& operator=(const CDrawModel&) = delete;

    // False only for a null model. The CPU-visible build without a command
    // list submits its texture copies at once and is ready (state 4); the
    // video-memory build leaves state 1 for Finalise.
    bool Build(const CModel* model, DrawModelPlacement placement, bool animatedFlag,
               CTextureErrorReporter& reporter = DefaultTextureErrorReporter());
    // Builds only the CPU parts (vertices, boxes, bones, animations): no device needed.
    void BuildCpu(const CModel& model);
    // 1 -> 2, false; 3 -> views created, uploads freed, 4, true; else false.
    bool Finalise();
    // State 2: ends the upload command buffer and hands it over to be submitted
    // with the frame (state 3). Null in any other state, and when the list
    // cannot be ended: then the model is emptied and counts as ready (state 4).
    VkCommandBuffer TakeUploadCommands();
    // One render-thread step of the upload: finishes the recording, hands
    // the recorded copies to this frame's commands, and once a frame has run
    // them creates the views. True when the model is ready (state 4), so the
    // caller may give its loader slot back.
    bool AdvanceUpload(std::vector<VkCommandBuffer>& frameCommands);
    // Appends copies of the model's animations, channels resolved among bones.
    void CopyAnimations(const CModel& model);
    // Frees every buffer, texture and slot (deferred past the GPU's frame when
    // a device is set).
    void Release();

    int32_t LoadState() const { return loadState.load(std::memory_order_acquire); }
    size_t BoneIndex(const CDrawBone* bone) const;
    CDrawBone* FindBoneByName(const std::string& boneName);

    // --- build results and state ---
    std::string id;
    int32_t loaderSlot = -1;
    CCommonDevice* device = nullptr;
    CDescriptorCache* descriptors = nullptr;
    VkCommandBuffer commandList = VK_NULL_HANDLE;
    int32_t splatMapCount = 0;
    int32_t splatMapTextureLayout = 0;
    std::atomic<int32_t> loadState{0};
    int32_t loadedTextureCount = 0;
    float radius = 0.0f;
    bool animated = true;
    Matrix4 worldMatrix = Identity();
    Matrix4 rotationScale = Identity();
    // The entry's CModelTransform (editor/model_entry.h), copied in by its owner.
    Vec4 scale{1, 1, 1, 1};
    Vec4 rotation{0, 0, 0, 1}; // degrees about x, y, z
    Vec4 position{0, 0, 0, 1};
    BoxCorners boxCorners = EmptyBoxCorners();
    Vec3 center;
    std::vector<std::unique_ptr<CDrawMesh>> meshes;
    std::vector<GpuTexture> textures;      // in load order
    std::vector<int32_t> texturePositions; // model texture position of each entry of textures
    std::vector<CDrawBone*> rootBones;
    std::vector<std::unique_ptr<CDrawBone>> bones; // bone-table order: the palette order
    std::vector<std::unique_ptr<CDrawBone>> treeOnlyBones;
    std::vector<std::unique_ptr<CDrawAnimation>> animations;
    std::vector<GpuBuffer> uploadBuffers;
    uint32_t textureDescriptorBase = kNoTextureSlot;
    uint32_t textureSlotCount = 0;
    uint32_t emptyTextureSlot = kNoTextureSlot; // reads the white default texture
    GpuBuffer objectBuffer;
    void* objectMapped = nullptr;
    uint32_t objectSlot = kNoTextureSlot;

    // --- playback (animation) ---
    int32_t animationIndex = 0;
    int64_t frameCounter = 0;
    float speed = 1.0f;
    bool looping = false;
    bool finished = false;
    float standValue = 1.0f;
    std::array<float, 4> parameters{1.0f, 0.0f, 0.0f, 0.0f};
    float materialValue = 1.0f;
    bool paletteClampReported = false;

private:
    bool UploadTextures(const CModel& model, VkCommandBuffer commands, DrawModelPlacement placement,
                        CTextureErrorReporter& reporter);
    bool CreateGpuBuffers(DrawModelPlacement placement, VkCommandBuffer commands);
    void CopyBones(const CModel& model);
    void BuildMeshes(const CModel& model);

    // Vertices of each part, kept between the CPU build and the GPU upload.
    std::vector<std::vector<std::vector<ColorVertex>>> pendingVertices_;
    std::vector<std::vector<std::string>> pendingMaterials_;
};

// One polygon block expanded into a flat triangle list (one vertex per corner).
// Extends meshBox and modelBox by every position. A block whose offsets are
// all absent gives no vertices.
std::vector<ColorVertex> ExpandPolygonBlock(const CGeometry& geometry, const CPolygonData& block,
                                            BoxCorners& meshBox, BoxCorners& modelBox);

// Matrix4 from a 16-float array in file order, transposed.
Matrix4 TransposedFromFile(const std::array<float, 16>& m);

} // namespace quorvane
