#include "render/common_device1.h"

#include "modeldata/file_bytes.h"
#include "render/pipeline_builder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvane {
namespace {

struct ShaderFile {
    const char* name;
    ShaderStage stage;
    int entry;
};

// Every file with the table entry it fills; vs1 is read into two entries.
constexpr ShaderFile kShaderFiles[] = {
    {"vs1", ShaderStage::Vertex, 0},   {"ps1", ShaderStage::Pixel, 0},    {"vs2", ShaderStage::Vertex, 1},
    {"ps2", ShaderStage::Pixel, 1},    {"vs1", ShaderStage::Vertex, 2},   {"ps1_1", ShaderStage::Pixel, 2},
    {"vs3", ShaderStage::Vertex, 3},   {"ps3", ShaderStage::Pixel, 3},    {"vs4", ShaderStage::Vertex, 4},
    {"ps4", ShaderStage::Pixel, 4},    {"vs5", ShaderStage::Vertex, 5},   {"ps5", ShaderStage::Pixel, 5},
    {"vs6", ShaderStage::Vertex, 6},   {"ps6", ShaderStage::Pixel, 6},    {"vs7", ShaderStage::Vertex, 7},
    {"gs7", ShaderStage::Geometry, 7}, {"ps7", ShaderStage::Pixel, 7},    {"vs8", ShaderStage::Vertex, 8},
    {"ps8", ShaderStage::Pixel, 8},    {"vs9", ShaderStage::Vertex, 9},   {"ps9", ShaderStage::Pixel, 9},
    {"vs10", ShaderStage::Vertex, 10}, {"ps10", ShaderStage::Pixel, 10},  {"hs10", ShaderStage::Hull, 10},
    {"ds10", ShaderStage::Domain, 10}, {"vs11", ShaderStage::Vertex, 11}, {"ds11", ShaderStage::Domain, 11},
    {"ps11", ShaderStage::Pixel, 11},  {"vs12", ShaderStage::Vertex, 12}, {"vs13", ShaderStage::Vertex, 13},
    {"ps14", ShaderStage::Pixel, 14},  {"ds14", ShaderStage::Domain, 14}, {"ps15", ShaderStage::Pixel, 15},
    {"ds17", ShaderStage::Domain, 17}, {"vs16", ShaderStage::Vertex, 16},
};

struct StageRef {
    ShaderStage stage;
    int entry; // -1: none
};

struct PipelineRow {
    int vs, hs, ds, gs, ps; // table entries, -1 for none
    VertexLayout layout;
    bool cullNone;
    bool alphaToCoverage;
    bool depthTest;
    bool patches;
    bool shadow; // depth only, into the three-slice shadow map
};

// The pipeline table: shaders by table entry, layout and the differences from the common state.
constexpr PipelineRow kPipelines[kUsedPipelineSlots] = {
    {0, -1, -1, -1, 0, VertexLayout::Color, true, true, true, false, false},
    {1, -1, -1, -1, 1, VertexLayout::Quad, false, true, true, false, false},
    {2, -1, -1, -1, 2, VertexLayout::Color, false, false, true, false, false},
    {3, -1, -1, -1, 3, VertexLayout::Color, false, false, false, false, false},
    {4, -1, -1, -1, 4, VertexLayout::Color, false, false, false, false, false},
    {0, -1, -1, -1, 5, VertexLayout::Color, false, true, true, false, false},
    {6, -1, -1, -1, 6, VertexLayout::Model, false, true, true, false, false},
    {7, -1, -1, 7, 7, VertexLayout::Color, false, false, true, false, true},
    {8, -1, -1, -1, 8, VertexLayout::Quad, false, false, false, false, false},
    {9, -1, -1, -1, 9, VertexLayout::Model, false, false, true, false, false},
    {10, 10, 10, -1, 10, VertexLayout::InstancedColor, true, true, true, true, false},
    {11, 10, 11, -1, 11, VertexLayout::InstancedColor, false, false, true, true, true},
    {12, -1, -1, -1, 0, VertexLayout::InstancedColor, false, true, true, false, false},
    {13, -1, -1, -1, 0, VertexLayout::InstancedColor, false, false, true, false, false},
    {10, 10, 14, -1, 14, VertexLayout::InstancedColor, false, true, true, true, false},
    {0, -1, -1, -1, 15, VertexLayout::Color, false, false, true, false, false},
    // Collider meshes of instanced groups: their vertices are collider vertices, not model vertices.
    {16, -1, -1, -1, 6, VertexLayout::InstancedModel, false, true, true, false, false},
    {11, 10, 17, -1, 11, VertexLayout::InstancedColor, false, false, true, true, true},
};

const char* StageName(ShaderStage stage) {
    switch (stage) {
    case ShaderStage::Vertex:
        return "vertex";
    case ShaderStage::Pixel:
        return "pixel";
    case ShaderStage::Hull:
        return "hull";
    case ShaderStage::Domain:
        return "domain";
    case ShaderStage::Geometry:
        return "geometry";
    }
    return "?";
}

// The module's words, or nothing with error saying why.
std::vector<uint32_t> ReadSpirv(const std::filesystem::path& path, std::string& error) {
    const CFileBytes bytes = ReadFileBytes(path);
    if (!bytes) {
        error = bytes.error;
        return {};
    }
    // A SPIR-V module is whole 32-bit words and starts with the magic number.
    constexpr uint32_t kMagic = 0x07230203u;
    std::vector<uint32_t> words;
    if (bytes.size >= 20 && bytes.size % 4 == 0) {
        words.resize(bytes.size / 4);
        std::memcpy(words.data(), bytes.data.get(), bytes.size);
    }
    if (words.empty() || words[0] != kMagic) {
        error = path.string() + ": not a SPIR-V module";
        return {};
    }
    return words;
}

} // namespace

CCommonDevice1::~CCommonDevice1() {
    if (Device() == VK_NULL_HANDLE) {
        return;
    }
    vkDeviceWaitIdle(Device());
    for (VkShaderModule module : ownedModules_) {
        vkDestroyShaderModule(Device(), module, nullptr);
    }
}

bool CCommonDevice1::CreatePipelineObjects() {
    if (!CreateRootSignature()) {
        std::fprintf(stderr, "render: the pipeline layout could not be created\n");
        return false;
    }
    LoadShaders();
    CreatePipelineStates();
    return true;
}

bool CCommonDevice1::CreateRootSignature() {
    if (Device() == VK_NULL_HANDLE || pipelineLayout_ != VK_NULL_HANDLE) {
        return false;
    }
    VkDevice device = Device();
    // s0: anisotropic, wrap, LOD bias -0.5, anisotropy clamped to the device.
    VkSamplerCreateInfo sampler{VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO};
    sampler.magFilter = VK_FILTER_LINEAR;
    sampler.minFilter = VK_FILTER_LINEAR;
    sampler.mipmapMode = VK_SAMPLER_MIPMAP_MODE_LINEAR;
    sampler.addressModeU = sampler.addressModeV = sampler.addressModeW = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    sampler.mipLodBias = -0.5f;
    sampler.anisotropyEnable = maxAnisotropy_ > 1.0f ? VK_TRUE : VK_FALSE;
    sampler.maxAnisotropy = maxAnisotropy_;
    sampler.compareEnable = VK_FALSE;
    sampler.compareOp = VK_COMPARE_OP_NEVER;
    sampler.minLod = 0.0f;
    sampler.maxLod = VK_LOD_CLAMP_NONE;
    sampler.borderColor = VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK;
    if (vkCreateSampler(device, &sampler, nullptr, &staticSampler_) != VK_SUCCESS) {
        return false;
    }

    // The composition's own sampler: a 1:1 or stretched copy gains nothing
    // from anisotropy, which costs a software rasteriser two thirds of a frame.
    sampler.anisotropyEnable = VK_FALSE;
    sampler.maxAnisotropy = 1.0f;
    sampler.mipLodBias = 0.0f;
    sampler.addressModeU = sampler.addressModeV = sampler.addressModeW =
        VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    if (vkCreateSampler(device, &sampler, nullptr, &composeSampler_) != VK_SUCCESS) {
        return false;
    }

    // Set 0: b0-b4 as dynamic uniform buffers, s0 as binding 5, the composition sampler as 6.
    std::array<VkDescriptorSetLayoutBinding, kRootConstantBufferCount + 2> constants{};
    for (uint32_t i = 0; i < kRootConstantBufferCount; ++i) {
        constants[i] = {i, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, 1, VK_SHADER_STAGE_ALL, nullptr};
    }
    constants[kRootConstantBufferCount] = {kRootConstantBufferCount, VK_DESCRIPTOR_TYPE_SAMPLER, 1,
                                           VK_SHADER_STAGE_ALL, &staticSampler_};
    constants[kRootConstantBufferCount + 1] = {kRootConstantBufferCount + 1, VK_DESCRIPTOR_TYPE_SAMPLER, 1,
                                               VK_SHADER_STAGE_ALL, &composeSampler_};
    VkDescriptorSetLayoutCreateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO};
    info.bindingCount = static_cast<uint32_t>(constants.size());
    info.pBindings = constants.data();
    if (vkCreateDescriptorSetLayout(device, &info, nullptr, &setLayouts_[0]) != VK_SUCCESS) {
        return false;
    }

    // Sets 1-7: tables 5-11 (t16-t23, t32-t47, t48-t50, then t3, t4, t5, t6).
    const std::array<uint32_t, kTableParameterCount> sizes = {8, 16, 3, 1, 1, 1, 1};
    for (size_t t = 0; t < sizes.size(); ++t) {
        DescriptorTableShape& shape = tableShapes_[t];
        shape.rootParameter = static_cast<uint32_t>(kFirstTableParameter + t);
        shape.bindings.assign(sizes[t], VK_IMAGE_VIEW_TYPE_2D);
        if (t == 2) {
            shape.bindings[0] = VK_IMAGE_VIEW_TYPE_2D_ARRAY; // the shadow map's slices
        }
        std::vector<VkDescriptorSetLayoutBinding> bindings(sizes[t]);
        for (uint32_t b = 0; b < sizes[t]; ++b) {
            bindings[b] = {b, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, 1, VK_SHADER_STAGE_ALL, nullptr};
        }
        info.bindingCount = sizes[t];
        info.pBindings = bindings.data();
        if (vkCreateDescriptorSetLayout(device, &info, nullptr, &setLayouts_[t + 1]) != VK_SUCCESS) {
            return false;
        }
    }
    VkPipelineLayoutCreateInfo layoutInfo{VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO};
    layoutInfo.setLayoutCount = static_cast<uint32_t>(setLayouts_.size());
    layoutInfo.pSetLayouts = setLayouts_.data();
    if (vkCreatePipelineLayout(device, &layoutInfo, nullptr, &pipelineLayout_) != VK_SUCCESS) {
        pipelineLayout_ = VK_NULL_HANDLE;
        return false;
    }
    VkPipelineLayoutCreateInfo overlayInfo{VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO};
    if (vkCreatePipelineLayout(device, &overlayInfo, nullptr, &overlayLayout_) != VK_SUCCESS) {
        overlayLayout_ = VK_NULL_HANDLE;
        return false;
    }
    return CreateConstantBufferSet();
}

VkShaderModule CCommonDevice1::LoadShaderFile(const std::string& name) {
    const std::filesystem::path path = options_.shaderDirectory / (name + ".spv");
    std::string error;
    const std::vector<uint32_t> words = ReadSpirv(path, error);
    VkShaderModule module = VK_NULL_HANDLE;
    if (!words.empty()) {
        VkShaderModuleCreateInfo info{VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO};
        info.codeSize = words.size() * sizeof(uint32_t);
        info.pCode = words.data();
        if (vkCreateShaderModule(Device(), &info, nullptr, &module) != VK_SUCCESS) {
            module = VK_NULL_HANDLE;
            error = path.string() + ": rejected by the device";
        }
    }
    if (module == VK_NULL_HANDLE) {
        // vs1 fills two entries: name a missing file once.
        if (std::find(missingShaders_.begin(), missingShaders_.end(), path.string()) ==
            missingShaders_.end()) {
            std::fprintf(stderr, "render: shader file missing or unreadable: %s\n", error.c_str());
            missingShaders_.push_back(path.string());
        }
        return VK_NULL_HANDLE;
    }
    ownedModules_.push_back(module);
    return module;
}

bool CCommonDevice1::LoadShaders() {
    if (Device() == VK_NULL_HANDLE) {
        return true;
    }
    for (const ShaderFile& file : kShaderFiles) {
        shaders_[static_cast<size_t>(file.stage)][static_cast<size_t>(file.entry)] =
            LoadShaderFile(file.name);
    }
    overlayVertex_ = LoadShaderFile("overlay_vs");
    overlayPixel_ = LoadShaderFile("overlay_ps");
    return true;
}

VkShaderModule CCommonDevice1::Shader(ShaderStage stage, int entry) const {
    if (entry < 0 || entry >= kPipelineSlotCount) {
        return VK_NULL_HANDLE;
    }
    return shaders_[static_cast<size_t>(stage)][static_cast<size_t>(entry)];
}

bool CCommonDevice1::CreatePipelineStates() {
    if (pipelineLayout_ == VK_NULL_HANDLE) {
        return true;
    }
    for (int slot = 0; slot < kUsedPipelineSlots; ++slot) {
        const PipelineRow& row = kPipelines[slot];
        PipelineDescription d;
        d.layout = pipelineLayout_;
        d.vertexLayout = row.layout;
        d.cullNone = row.cullNone;
        d.alphaToCoverage = row.alphaToCoverage;
        d.depthTest = row.depthTest;
        d.patches = row.patches;
        d.colorFormats = row.shadow ? std::vector<VkFormat>{} : std::vector<VkFormat>{kColorFormat};
        d.depthFormat = kDepthFormat;
        // The full-screen quads: composition and the collider shapes, four vertices each.
        d.triangleStrip = slot == 1 || slot == 8;
        const std::array<StageRef, kShaderStageCount> stages = {{{ShaderStage::Vertex, row.vs},
                                                                 {ShaderStage::Hull, row.hs},
                                                                 {ShaderStage::Domain, row.ds},
                                                                 {ShaderStage::Geometry, row.gs},
                                                                 {ShaderStage::Pixel, row.ps}}};
        bool complete = true;
        for (const StageRef& ref : stages) {
            if (ref.entry < 0) {
                continue;
            }
            const VkShaderModule module = Shader(ref.stage, ref.entry);
            if (module == VK_NULL_HANDLE) {
                std::fprintf(stderr, "render: pipeline %d not created: its %s shader (entry %d) is missing\n",
                             slot, StageName(ref.stage), ref.entry);
                complete = false;
                break;
            }
            d.Stage(ref.stage == ShaderStage::Vertex     ? VK_SHADER_STAGE_VERTEX_BIT
                    : ref.stage == ShaderStage::Hull     ? VK_SHADER_STAGE_TESSELLATION_CONTROL_BIT
                    : ref.stage == ShaderStage::Domain   ? VK_SHADER_STAGE_TESSELLATION_EVALUATION_BIT
                    : ref.stage == ShaderStage::Geometry ? VK_SHADER_STAGE_GEOMETRY_BIT
                                                         : VK_SHADER_STAGE_FRAGMENT_BIT,
                    module);
        }
        if (!complete) {
            continue;
        }
        if (row.shadow && row.patches && !hasShaderOutputLayer_) {
            std::fprintf(stderr, "render: pipeline %d not created: no layer output from tessellation\n",
                         slot);
            continue;
        }
        pipelines_[static_cast<size_t>(slot)] = BuildGraphicsPipeline(Device(), d);
        pipelineColorTargets_[static_cast<size_t>(slot)] = static_cast<uint32_t>(d.colorFormats.size());
        if (pipelines_[static_cast<size_t>(slot)] == VK_NULL_HANDLE) {
            std::fprintf(stderr, "render: pipeline %d could not be created\n", slot);
        }
    }
    return true;
}

int CCommonDevice1::CreatedPipelineCount() const {
    int count = 0;
    for (int slot = 0; slot < kUsedPipelineSlots; ++slot) {
        count += Pipeline(slot) != VK_NULL_HANDLE ? 1 : 0;
    }
    return count;
}

VkPipeline CCommonDevice1::CreateComposePipeline(VkFormat format) {
    const VkShaderModule vs = Shader(ShaderStage::Vertex, 1);
    const VkShaderModule ps = Shader(ShaderStage::Pixel, 1);
    if (vs == VK_NULL_HANDLE || ps == VK_NULL_HANDLE || pipelineLayout_ == VK_NULL_HANDLE) {
        return VK_NULL_HANDLE;
    }
    // Pipeline 1 for the output image: no depth there, any colour format.
    PipelineDescription d;
    d.layout = pipelineLayout_;
    d.vertexLayout = VertexLayout::Quad;
    // The scene's alpha is always 1 (cleared opaque, blended with "one"), so
    // blending and alpha-to-coverage would change nothing here but the cost.
    d.alphaToCoverage = false;
    d.blend = false;
    d.depthTest = false;
    d.colorFormats = {format};
    d.depthFormat = VK_FORMAT_UNDEFINED;
    d.triangleStrip = true;
    d.Stage(VK_SHADER_STAGE_VERTEX_BIT, vs);
    d.Stage(VK_SHADER_STAGE_FRAGMENT_BIT, ps);
    return BuildGraphicsPipeline(Device(), d);
}

VkPipeline CCommonDevice1::CreateOverlayPipeline(VkFormat format) {
    if (overlayVertex_ == VK_NULL_HANDLE || overlayPixel_ == VK_NULL_HANDLE ||
        overlayLayout_ == VK_NULL_HANDLE) {
        return VK_NULL_HANDLE;
    }
    PipelineDescription d;
    d.layout = overlayLayout_;
    d.vertexLayout = VertexLayout::Overlay;
    d.cullNone = true;
    d.depthTest = false;
    d.colorFormats = {format};
    d.depthFormat = VK_FORMAT_UNDEFINED;
    d.Stage(VK_SHADER_STAGE_VERTEX_BIT, overlayVertex_);
    d.Stage(VK_SHADER_STAGE_FRAGMENT_BIT, overlayPixel_);
    return BuildGraphicsPipeline(Device(), d);
}

} // namespace quorvane
