// The GPU half of the drawable model build: textures, buffers, slots, release.
#include "render/draw_model.h"

#include "modeldata/model.h"
#include "render/common_device.h"
#include "render/vulkan_result.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace quorvane {
namespace {

bool CreateConstantBuffer(CCommonDevice& device, size_t bytes, GpuBuffer& buffer, uint32_t& slot) {
    buffer =
        CreateGpuBuffer(device.Device(), device.Memory(), bytes, VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, true);
    if (!buffer || buffer.Mapped() == nullptr) {
        DestroyGpuBuffer(device.Device(), device.Memory(), buffer);
        return false;
    }
    std::memset(buffer.Mapped(), 0, bytes);
    if (!device.Descriptors().AllocateOne(slot)) {
        slot = kNoTextureSlot;
        return true; // drawing copies from the mapping; the view is only bookkeeping
    }
    DescriptorView view;
    view.kind = DescriptorView::Kind::Buffer;
    view.buffer = buffer.buffer;
    view.range = bytes;
    device.Descriptors().SetView(slot, view);
    return true;
}

bool BeginRecording(VkCommandBuffer commands) {
    VkCommandBufferBeginInfo begin{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    const VkResult begun = vkBeginCommandBuffer(commands, &begin);
    if (begun != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s; the copies run at once instead\n",
                     DescribeVulkanFailure("starting a model's upload commands", begun).c_str());
        return false;
    }
    return true;
}

} // namespace

CDrawModel::CDrawModel(CCommonDevice* owner, VkCommandBuffer commands, int32_t slot)
    : loaderSlot(slot), device(owner), commandList(commands) {}

CDrawModel::~CDrawModel() {
    Release();
}

bool CDrawModel::Build(const CModel* model, DrawModelPlacement placement, bool animatedFlag,
                       CTextureErrorReporter& reporter) {
    if (model == nullptr) {
        return false;
    }
    if (LoadState() != 0 || !meshes.empty()) {
        Release(); // built before: start from an empty record
    }
    animated = animatedFlag;
    BuildCpu(*model);
    if (device == nullptr || !device->IsReady()) {
        pendingVertices_.clear();
        loadState.store(4, std::memory_order_release);
        return true;
    }
    descriptors = &device->Descriptors();
    if (!descriptors->AllocateOne(emptyTextureSlot)) {
        emptyTextureSlot = kNoTextureSlot;
    }
    if (CreateConstantBuffer(*device, kObjectBufferBytes, objectBuffer, objectSlot)) {
        objectMapped = objectBuffer.Mapped();
    }

    const bool needsCommands = placement == DrawModelPlacement::VideoMemory ||
                               std::any_of(model->textures.begin(), model->textures.end(),
                                           [](const auto& t) { return t != nullptr; });
    if (!needsCommands) {
        CreateGpuBuffers(placement, VK_NULL_HANDLE);
        loadState.store(4, std::memory_order_release);
        return true;
    }
    if (commandList != VK_NULL_HANDLE && BeginRecording(commandList)) {
        UploadTextures(*model, commandList, placement, reporter);
        CreateGpuBuffers(placement, commandList);
        loadState.store(1, std::memory_order_release);
        return true;
    }
    // No loader slot: the copies run now, on this thread.
    SubmitImmediately(*device, [&](VkCommandBuffer commands) {
        UploadTextures(*model, commands, placement, reporter);
        CreateGpuBuffers(placement, commands);
    });
    loadState.store(3, std::memory_order_release);
    Finalise();
    return true;
}

bool CDrawModel::UploadTextures(const CModel& model, VkCommandBuffer commands, DrawModelPlacement placement,
                                CTextureErrorReporter& reporter) {
    textureSlotCount = static_cast<uint32_t>(model.textures.size());
    if (textureSlotCount == 0) {
        return true;
    }
    uint32_t first = 0;
    if (!descriptors->AllocateRange(first, textureSlotCount)) {
        textureSlotCount = 0;
        return false;
    }
    textureDescriptorBase = first;
    textures.reserve(model.textures.size());
    for (size_t k = 0; k < model.textures.size(); ++k) {
        const CTextureRef* ref = model.textures[k].get();
        if (ref == nullptr) {
            continue;
        }
        const std::string path = model.TextureFile(*ref);
        bool fallback = false;
        const std::vector<RgbaImage> levels = LoadTextureLevels(path, true, reporter, fallback);
        GpuTexture texture;
        GpuBuffer staging;
        if (!RecordTextureUpload(*device, commands, levels, texture, staging)) {
            reporter.Report(path);
            continue;
        }
        texture.fallback = fallback;
        textures.push_back(texture);
        texturePositions.push_back(static_cast<int32_t>(k));
        uploadBuffers.push_back(staging);
        if (placement == DrawModelPlacement::VideoMemory) {
            ++loadedTextureCount;
        }
    }
    return true;
}

bool CDrawModel::CreateGpuBuffers(DrawModelPlacement placement, VkCommandBuffer commands) {
    VkDevice vk = device->Device();
    CGpuMemory& memory = device->Memory();
    bool ok = true;
    for (size_t m = 0; m < meshes.size(); ++m) {
        CDrawMesh& mesh = *meshes[m];
        for (size_t p = 0; p < mesh.parts.size(); ++p) {
            CDrawPart& part = mesh.parts[p];
            if (part.binding) {
                CMaterialBinding& binding = *part.binding;
                binding.descriptors = descriptors;
                if (CreateConstantBuffer(*device, kMaterialBufferBytes, binding.materialBuffer,
                                         binding.slot)) {
                    binding.mapped = binding.materialBuffer.Mapped();
                }
                for (size_t t = 0; t < texturePositions.size(); ++t) {
                    if (texturePositions[t] == binding.texturePosition) {
                        binding.texture = &textures[t];
                    }
                }
                if (binding.texturePosition >= 0 && textureDescriptorBase != kNoTextureSlot) {
                    binding.textureSlot =
                        textureDescriptorBase + static_cast<uint32_t>(binding.texturePosition);
                }
            }
            const std::vector<ColorVertex>& vertices = pendingVertices_[m][p];
            if (vertices.empty()) {
                continue;
            }
            const VkDeviceSize bytes = vertices.size() * sizeof(ColorVertex);
            GpuBuffer staging = CreateGpuBuffer(vk, memory, bytes,
                                                placement == DrawModelPlacement::CpuVisible
                                                    ? VK_BUFFER_USAGE_VERTEX_BUFFER_BIT
                                                    : VK_BUFFER_USAGE_TRANSFER_SRC_BIT,
                                                true);
            if (!staging || staging.Mapped() == nullptr) {
                DestroyGpuBuffer(vk, memory, staging);
                part.vertexCount = 0;
                ok = false;
                continue;
            }
            std::memcpy(staging.Mapped(), vertices.data(), bytes);
            if (placement == DrawModelPlacement::CpuVisible) {
                part.vertexBuffer = staging;
                continue;
            }
            part.vertexBuffer =
                CreateGpuBuffer(vk, memory, bytes,
                                VK_BUFFER_USAGE_VERTEX_BUFFER_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT, false);
            if (!part.vertexBuffer) {
                DestroyGpuBuffer(vk, memory, staging);
                part.vertexCount = 0;
                ok = false;
                continue;
            }
            const VkBufferCopy region{0, 0, bytes};
            vkCmdCopyBuffer(commands, staging.buffer, part.vertexBuffer.buffer, 1, &region);
            VkBufferMemoryBarrier barrier{VK_STRUCTURE_TYPE_BUFFER_MEMORY_BARRIER};
            barrier.srcAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
            barrier.dstAccessMask = VK_ACCESS_VERTEX_ATTRIBUTE_READ_BIT;
            barrier.srcQueueFamilyIndex = barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
            barrier.buffer = part.vertexBuffer.buffer;
            barrier.size = VK_WHOLE_SIZE;
            vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_TRANSFER_BIT, VK_PIPELINE_STAGE_VERTEX_INPUT_BIT,
                                 0, 0, nullptr, 1, &barrier, 0, nullptr);
            uploadBuffers.push_back(staging);
        }
    }
    pendingVertices_.clear();
    return ok;
}

VkCommandBuffer CDrawModel::TakeUploadCommands() {
    int32_t expected = 2;
    if (commandList == VK_NULL_HANDLE || !loadState.compare_exchange_strong(expected, 3)) {
        return VK_NULL_HANDLE;
    }
    if (const VkResult ended = vkEndCommandBuffer(commandList); ended != VK_SUCCESS) {
        // The copies cannot run: the model stays, with nothing to draw.
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("recording a model's upload commands", ended).c_str());
        Release();
        loadState.store(4, std::memory_order_release);
        return VK_NULL_HANDLE;
    }
    return commandList;
}

bool CDrawModel::AdvanceUpload(std::vector<VkCommandBuffer>& frameCommands) {
    switch (LoadState()) {
    case 1:
        Finalise(); // recording is complete: 2
        [[fallthrough]];
    case 2:
        if (VkCommandBuffer recorded = TakeUploadCommands()) {
            frameCommands.push_back(recorded); // 3: goes with this frame
        }
        return false;
    case 3:
        // BeginFrame waited for the frame that ran the copies.
        return Finalise();
    case 4:
        return true;
    default:
        return false;
    }
}

bool CDrawModel::Finalise() {
    int32_t expected = 1;
    if (loadState.compare_exchange_strong(expected, 2)) {
        return false;
    }
    if (expected != 3) {
        return false;
    }
    for (size_t i = 0; i < textures.size(); ++i) {
        descriptors->SetView(textureDescriptorBase + static_cast<uint32_t>(texturePositions[i]),
                             TextureDescriptorView(textures[i]));
    }
    if (!uploadBuffers.empty()) {
        // The frame that ran the copies may still be on the GPU.
        std::vector<GpuBuffer> finished;
        finished.swap(uploadBuffers);
        CCommonDevice* owner = device;
        owner->DeferRelease([owner, finished]() mutable {
            for (GpuBuffer& buffer : finished) {
                DestroyGpuBuffer(owner->Device(), owner->Memory(), buffer);
            }
        });
    }
    loadState.store(4, std::memory_order_release);
    return true;
}

void CDrawModel::Release() {
    if (device != nullptr && device->IsReady()) {
        struct Owned {
            std::vector<GpuBuffer> buffers;
            std::vector<GpuTexture> textures;
            std::vector<uint32_t> slots;
        };
        Owned owned;
        owned.buffers.swap(uploadBuffers);
        if (objectBuffer) {
            owned.buffers.push_back(objectBuffer);
        }
        for (const auto& mesh : meshes) {
            for (CDrawPart& part : mesh->parts) {
                if (part.vertexBuffer) {
                    owned.buffers.push_back(part.vertexBuffer);
                }
                if (part.binding && part.binding->materialBuffer) {
                    owned.buffers.push_back(part.binding->materialBuffer);
                }
                if (part.binding && part.binding->slot != kNoTextureSlot) {
                    owned.slots.push_back(part.binding->slot);
                }
            }
        }
        owned.textures.swap(textures);
        for (uint32_t slot : {objectSlot, emptyTextureSlot, textureDescriptorBase}) {
            if (slot != kNoTextureSlot) {
                owned.slots.push_back(slot);
            }
        }
        if (!owned.buffers.empty() || !owned.textures.empty() || !owned.slots.empty()) {
            CCommonDevice* owner = device;
            owner->DeferRelease([owner, owned]() mutable {
                for (uint32_t slot : owned.slots) {
                    owner->Descriptors().Release(slot);
                }
                for (GpuTexture& texture : owned.textures) {
                    DestroyTexture(*owner, texture);
                }
                for (GpuBuffer& buffer : owned.buffers) {
                    DestroyGpuBuffer(owner->Device(), owner->Memory(), buffer);
                }
            });
        }
    }
    objectBuffer = {};
    objectMapped = nullptr;
    objectSlot = emptyTextureSlot = textureDescriptorBase = kNoTextureSlot;
    textureSlotCount = 0;
    loadedTextureCount = 0;
    boxCorners = EmptyBoxCorners();
    center = {};
    radius = 0.0f;
    textures.clear();
    texturePositions.clear();
    uploadBuffers.clear();
    meshes.clear();
    rootBones.clear();
    bones.clear();
    treeOnlyBones.clear();
    animations.clear();
    pendingVertices_.clear();
    loadState.store(0, std::memory_order_release);
}

} // namespace quorvane
