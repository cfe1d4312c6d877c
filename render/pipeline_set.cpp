#include "render/pipeline_set.h"

#include "modeldata/file_bytes.h"
#include "render/pipeline_builder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvane {
namespace {

// One pipeline of the table: its shader files ("shader/<name>.spv") and how
// it differs from the common state.
struct PipelineRecipe {
    PipelineId id;
    const char* vertex;
    const char* tessellationControl = nullptr; // with the evaluation stage: drawn in patches
    const char* tessellationEvaluation = nullptr;
    const char* geometry = nullptr;
    const char* fragment = nullptr;
    VertexLayout layout = VertexLayout::Color;
    bool cullNone = false;
    bool alphaToCoverage = false;
    bool depthTest = true;
    bool shadow = false;        // depth only, into the three-slice shadow map
    bool triangleStrip = false; // the full-screen quads, four vertices each
};

using enum PipelineId;

constexpr PipelineRecipe kPipelines[kPipelineCount] = {
    {.id = Model, .vertex = "vs1", .fragment = "fs1", .cullNone = true, .alphaToCoverage = true},
    {.id = Compose,
     .vertex = "vs2",
     .fragment = "fs2",
     .layout = VertexLayout::Quad,
     .alphaToCoverage = true,
     .triangleStrip = true},
    {.id = UntexturedModel, .vertex = "vs1", .fragment = "fs1_1"},
    {.id = Grid, .vertex = "vs3", .fragment = "fs3", .depthTest = false},
    {.id = PickMarker, .vertex = "vs4", .fragment = "fs4", .depthTest = false},
    {.id = SelectedModel, .vertex = "vs1", .fragment = "fs5", .alphaToCoverage = true},
    {.id = ColliderMesh,
     .vertex = "vs6",
     .fragment = "fs6",
     .layout = VertexLayout::Model,
     .alphaToCoverage = true},
    {.id = ModelShadow, .vertex = "vs7", .geometry = "gs7", .fragment = "fs7", .shadow = true},
    {.id = ColliderShapes,
     .vertex = "vs8",
     .fragment = "fs8",
     .layout = VertexLayout::Quad,
     .depthTest = false,
     .triangleStrip = true},
    {.id = CharacterColliderMesh, .vertex = "vs9", .fragment = "fs9", .layout = VertexLayout::Model},
    {.id = TessellatedInstances,
     .vertex = "vs10",
     .tessellationControl = "tcs10",
     .tessellationEvaluation = "tes10",
     .fragment = "fs10",
     .layout = VertexLayout::InstancedColor,
     .cullNone = true,
     .alphaToCoverage = true},
    {.id = InstanceShadow,
     .vertex = "vs11",
     .tessellationControl = "tcs10",
     .tessellationEvaluation = "tes11",
     .fragment = "fs7",
     .layout = VertexLayout::InstancedColor,
     .shadow = true},
    {.id = Instances,
     .vertex = "vs12",
     .fragment = "fs1",
     .layout = VertexLayout::InstancedColor,
     .alphaToCoverage = true},
    {.id = InstancedGroup, .vertex = "vs12", .fragment = "fs1", .layout = VertexLayout::InstancedColor},
    {.id = TessellatedInstancesCulled,
     .vertex = "vs10",
     .tessellationControl = "tcs10",
     .tessellationEvaluation = "tes10",
     .fragment = "fs10",
     .layout = VertexLayout::InstancedColor,
     .alphaToCoverage = true},
    {.id = Terrain, .vertex = "vs1", .fragment = "fs15"},
    // Collider meshes of instanced groups: their vertices are collider vertices, not model vertices.
    {.id = InstanceColliderMesh,
     .vertex = "vs16",
     .fragment = "fs6",
     .layout = VertexLayout::InstancedModel,
     .alphaToCoverage = true},
    {.id = InstanceShadowShaderFive,
     .vertex = "vs11",
     .tessellationControl = "tcs10",
     .tessellationEvaluation = "tes11",
     .fragment = "fs7",
     .layout = VertexLayout::InstancedColor,
     .shadow = true},
    // As Model and SelectedModel, culling included, for copies merged into one draw.
    {.id = ModelCopies,
     .vertex = "vs18",
     .fragment = "fs1",
     .layout = VertexLayout::InstancedColor,
     .cullNone = true,
     .alphaToCoverage = true},
    {.id = SelectedModelCopies,
     .vertex = "vs18",
     .fragment = "fs5",
     .layout = VertexLayout::InstancedColor,
     .alphaToCoverage = true},
};

constexpr bool TableInOrder() {
    for (int i = 0; i < kPipelineCount; ++i) {
        if (static_cast<int>(kPipelines[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(TableInOrder(), "each pipeline at its own number");

struct RecipeStage {
    ShaderStage stage;
    const char* file;
};

std::array<RecipeStage, kShaderStageCount> StagesOf(const PipelineRecipe& recipe) {
    return {{{ShaderStage::Vertex, recipe.vertex},
             {ShaderStage::TessellationControl, recipe.tessellationControl},
             {ShaderStage::TessellationEvaluation, recipe.tessellationEvaluation},
             {ShaderStage::Geometry, recipe.geometry},
             {ShaderStage::Fragment, recipe.fragment}}};
}

VkShaderStageFlagBits VulkanStage(ShaderStage stage) {
    switch (stage) {
    case ShaderStage::Vertex:
        return VK_SHADER_STAGE_VERTEX_BIT;
    case ShaderStage::TessellationControl:
        return VK_SHADER_STAGE_TESSELLATION_CONTROL_BIT;
    case ShaderStage::TessellationEvaluation:
        return VK_SHADER_STAGE_TESSELLATION_EVALUATION_BIT;
    case ShaderStage::Geometry:
        return VK_SHADER_STAGE_GEOMETRY_BIT;
    case ShaderStage::Fragment:
        return VK_SHADER_STAGE_FRAGMENT_BIT;
    }
    return VK_SHADER_STAGE_FRAGMENT_BIT;
}

const char* StageName(ShaderStage stage) {
    switch (stage) {
    case ShaderStage::Vertex:
        return "vertex";
    case ShaderStage::TessellationControl:
        return "tessellation control";
    case ShaderStage::TessellationEvaluation:
        return "tessellation evaluation";
    case ShaderStage::Geometry:
        return "geometry";
    case ShaderStage::Fragment:
        return "fragment";
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

CPipelineSet::~CPipelineSet() {
    for (const OutputPipeline& output : outputs_) {
        vkDestroyPipeline(device_, output.pipeline, nullptr);
    }
    for (VkPipeline pipeline : pipelines_) {
        vkDestroyPipeline(device_, pipeline, nullptr); // a null handle is ignored
    }
    for (VkShaderModule module : ownedModules_) {
        vkDestroyShaderModule(device_, module, nullptr);
    }
    vkDestroyPipelineLayout(device_, overlayLayout_, nullptr);
    vkDestroyPipelineLayout(device_, layout_, nullptr);
    for (VkDescriptorSetLayout setLayout : setLayouts_) {
        vkDestroyDescriptorSetLayout(device_, setLayout, nullptr);
    }
    vkDestroySampler(device_, textureSampler_, nullptr);
    vkDestroySampler(device_, composeSampler_, nullptr);
}

bool CPipelineSet::CreateLayouts() {
    if (device_ == VK_NULL_HANDLE || layout_ != VK_NULL_HANDLE) {
        return false;
    }
    VkDevice device = device_;
    // The texture sampler: anisotropic, wrap, LOD bias -0.5, anisotropy clamped to the device.
    VkSamplerCreateInfo sampler{VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO};
    sampler.magFilter = VK_FILTER_LINEAR;
    sampler.minFilter = VK_FILTER_LINEAR;
    sampler.mipmapMode = VK_SAMPLER_MIPMAP_MODE_LINEAR;
    sampler.addressModeU = sampler.addressModeV = sampler.addressModeW = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    sampler.mipLodBias = -0.5f;
    sampler.anisotropyEnable = options_.maxAnisotropy > 1.0f ? VK_TRUE : VK_FALSE;
    sampler.maxAnisotropy = options_.maxAnisotropy;
    sampler.compareEnable = VK_FALSE;
    sampler.compareOp = VK_COMPARE_OP_NEVER;
    sampler.minLod = 0.0f;
    sampler.maxLod = VK_LOD_CLAMP_NONE;
    sampler.borderColor = VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK;
    if (vkCreateSampler(device, &sampler, nullptr, &textureSampler_) != VK_SUCCESS) {
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

    // Set 0: the uniform blocks as dynamic uniform buffers, then the texture
    // sampler (binding 5) and the composition's sampler (binding 6), both immutable.
    std::array<VkDescriptorSetLayoutBinding, kUniformBlockCount + 2> constants{};
    for (uint32_t i = 0; i < kUniformBlockCount; ++i) {
        constants[i] = {i, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, 1, VK_SHADER_STAGE_ALL, nullptr};
    }
    constants[kUniformBlockCount] = {kUniformBlockCount, VK_DESCRIPTOR_TYPE_SAMPLER, 1, VK_SHADER_STAGE_ALL,
                                     &textureSampler_};
    constants[kUniformBlockCount + 1] = {kUniformBlockCount + 1, VK_DESCRIPTOR_TYPE_SAMPLER, 1,
                                         VK_SHADER_STAGE_ALL, &composeSampler_};
    VkDescriptorSetLayoutCreateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO};
    info.bindingCount = static_cast<uint32_t>(constants.size());
    info.pBindings = constants.data();
    if (vkCreateDescriptorSetLayout(device, &info, nullptr, &setLayouts_[0]) != VK_SUCCESS) {
        return false;
    }

    // Sets 1-3 of sampled images: the model's textures, the terrain's pictures
    // and noise, the shadow map's slices with the noise.
    const std::array<uint32_t, kTextureSetCount> sizes = {8, 16, 3};
    for (size_t t = 0; t < sizes.size(); ++t) {
        DescriptorSetShape& shape = textureSetShapes_[t];
        shape.set = static_cast<uint32_t>(t + 1);
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
    if (vkCreatePipelineLayout(device, &layoutInfo, nullptr, &layout_) != VK_SUCCESS) {
        layout_ = VK_NULL_HANDLE;
        return false;
    }
    VkPipelineLayoutCreateInfo overlayInfo{VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO};
    if (vkCreatePipelineLayout(device, &overlayInfo, nullptr, &overlayLayout_) != VK_SUCCESS) {
        overlayLayout_ = VK_NULL_HANDLE;
        return false;
    }
    return true;
}

VkShaderModule CPipelineSet::LoadShaderFile(const std::string& name) {
    if (auto known = shaders_.find(name); known != shaders_.end()) {
        return known->second;
    }
    const std::filesystem::path path = options_.shaderDirectory / (name + ".spv");
    std::string error;
    const std::vector<uint32_t> words = ReadSpirv(path, error);
    VkShaderModule module = VK_NULL_HANDLE;
    if (!words.empty()) {
        VkShaderModuleCreateInfo info{VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO};
        info.codeSize = words.size() * sizeof(uint32_t);
        info.pCode = words.data();
        if (vkCreateShaderModule(device_, &info, nullptr, &module) != VK_SUCCESS) {
            module = VK_NULL_HANDLE;
            error = path.string() + ": rejected by the device";
        }
    }
    shaders_[name] = module; // a missing file is named once
    if (module == VK_NULL_HANDLE) {
        std::fprintf(stderr, "render: shader file missing or unreadable: %s\n", error.c_str());
        missing_.push_back(path.string());
        return VK_NULL_HANDLE;
    }
    ownedModules_.push_back(module);
    return module;
}

void CPipelineSet::LoadShaders() {
    for (const PipelineRecipe& recipe : kPipelines) {
        for (const RecipeStage& stage : StagesOf(recipe)) {
            if (stage.file != nullptr) {
                LoadShaderFile(stage.file);
            }
        }
    }
    LoadShaderFile("overlay_vs");
    LoadShaderFile("overlay_fs");
}

VkShaderModule CPipelineSet::Shader(const std::string& name) const {
    const auto found = shaders_.find(name);
    return found != shaders_.end() ? found->second : VK_NULL_HANDLE;
}

void CPipelineSet::CreatePipelines() {
    if (layout_ == VK_NULL_HANDLE) {
        return;
    }
    LoadShaders();
    for (const PipelineRecipe& recipe : kPipelines) {
        const int number = static_cast<int>(recipe.id);
        PipelineDescription d;
        d.layout = layout_;
        d.vertexLayout = recipe.layout;
        d.cullNone = recipe.cullNone;
        d.alphaToCoverage = recipe.alphaToCoverage;
        d.depthTest = recipe.depthTest;
        d.patches = recipe.tessellationControl != nullptr;
        d.colorFormats =
            recipe.shadow ? std::vector<VkFormat>{} : std::vector<VkFormat>{options_.colorFormat};
        d.depthFormat = options_.depthFormat;
        d.triangleStrip = recipe.triangleStrip;
        bool complete = true;
        for (const RecipeStage& stage : StagesOf(recipe)) {
            if (stage.file == nullptr) {
                continue;
            }
            const VkShaderModule module = Shader(stage.file);
            if (module == VK_NULL_HANDLE) {
                std::fprintf(stderr, "render: pipeline %d not created: its %s shader %s is missing\n", number,
                             StageName(stage.stage), stage.file);
                complete = false;
                break;
            }
            d.Stage(VulkanStage(stage.stage), module);
        }
        if (!complete) {
            continue;
        }
        if (recipe.shadow && d.patches && !options_.shaderOutputLayer) {
            std::fprintf(stderr, "render: pipeline %d not created: no layer output from tessellation\n",
                         number);
            continue;
        }
        const auto index = static_cast<size_t>(number);
        pipelines_[index] = BuildGraphicsPipeline(device_, d);
        colorTargets_[index] = static_cast<uint32_t>(d.colorFormats.size());
        if (pipelines_[index] == VK_NULL_HANDLE) {
            std::fprintf(stderr, "render: pipeline %d could not be created\n", number);
        }
    }
}

VkPipeline CPipelineSet::Pipeline(PipelineId id) const {
    const auto index = static_cast<size_t>(id);
    return index < pipelines_.size() ? pipelines_[index] : VK_NULL_HANDLE;
}

uint32_t CPipelineSet::ColorTargets(PipelineId id) const {
    const auto index = static_cast<size_t>(id);
    return index < colorTargets_.size() ? colorTargets_[index] : 0;
}

VkPipeline CPipelineSet::Output(bool overlay, VkFormat format) {
    for (const OutputPipeline& known : outputs_) {
        if (known.overlay == overlay && known.format == format) {
            return known.pipeline;
        }
    }
    VkPipeline pipeline = overlay ? CreateOverlayPipeline(format) : CreateComposePipeline(format);
    outputs_.push_back({overlay, format, pipeline}); // a failure is remembered too: no retry every frame
    return pipeline;
}

int CPipelineSet::CreatedCount() const {
    return static_cast<int>(std::count_if(pipelines_.begin(), pipelines_.end(),
                                          [](VkPipeline p) { return p != VK_NULL_HANDLE; }));
}

VkPipeline CPipelineSet::CreateOutputPipeline(VkShaderModule vertex, VkShaderModule fragment,
                                              VkPipelineLayout layout, VertexLayout vertices,
                                              VkFormat format) {
    if (vertex == VK_NULL_HANDLE || fragment == VK_NULL_HANDLE || layout == VK_NULL_HANDLE) {
        return VK_NULL_HANDLE;
    }
    // Into the output image: no depth there, any colour format.
    PipelineDescription d;
    d.layout = layout;
    d.vertexLayout = vertices;
    d.depthTest = false;
    d.colorFormats = {format};
    d.depthFormat = VK_FORMAT_UNDEFINED;
    d.Stage(VK_SHADER_STAGE_VERTEX_BIT, vertex);
    d.Stage(VK_SHADER_STAGE_FRAGMENT_BIT, fragment);
    if (vertices == VertexLayout::Quad) {
        // The scene's alpha is always 1 (cleared opaque, blended with "one"), so
        // blending and alpha-to-coverage would change nothing here but the cost.
        d.blend = false;
        d.triangleStrip = true;
    } else {
        d.cullNone = true;
    }
    return BuildGraphicsPipeline(device_, d);
}

VkPipeline CPipelineSet::CreateComposePipeline(VkFormat format) {
    const PipelineRecipe& compose = kPipelines[static_cast<size_t>(PipelineId::Compose)];
    return CreateOutputPipeline(Shader(compose.vertex), Shader(compose.fragment), layout_, VertexLayout::Quad,
                                format);
}

VkPipeline CPipelineSet::CreateOverlayPipeline(VkFormat format) {
    return CreateOutputPipeline(Shader("overlay_vs"), Shader("overlay_fs"), overlayLayout_,
                                VertexLayout::Overlay, format);
}

} // namespace quorvane
