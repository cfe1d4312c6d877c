#pragma once

#include "render/descriptor_cache.h"
#include "render/pipeline_builder.h"
#include "render/pipeline_id.h"
#include "render/uniform_ring.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

enum class ShaderStage { Vertex, TessellationControl, TessellationEvaluation, Geometry, Fragment };
inline constexpr int kShaderStageCount = 5;

// Sets 1-3 of the pipeline layout: the sampled images a draw binds, each a range of descriptor slots.
enum class TextureSet : uint32_t { Model = 1, Terrain = 2, ShadowMap = 3 };
inline constexpr uint32_t kTextureSetCount = 3;

// The pipelines of a 3D view and what they are built against: the one
// pipeline layout (set 0 of uniform blocks and samplers, then the texture
// sets), the shader modules, the table of pipelines (PipelineId), and the
// composition and overlay pipelines of each output format. Render thread.
class CPipelineSet {
public:
    struct Options {
        std::filesystem::path shaderDirectory; // "<name>.spv" files
        VkFormat colorFormat = VK_FORMAT_UNDEFINED;
        VkFormat depthFormat = VK_FORMAT_UNDEFINED;
        bool shaderOutputLayer = false; // the layer from a tessellation stage, for the shadow pipelines
        float maxAnisotropy = 1.0f;
    };

    CPipelineSet(VkDevice device, Options options) : device_(device), options_(std::move(options)) {}
    // The device must be idle.
    ~CPipelineSet();
    CPipelineSet(const CPipelineSet&) = delete;
    CPipelineSet& operator=(const CPipelineSet&) = delete;

    // The samplers, the set layouts and the pipeline layouts; false when one cannot be made.
    bool CreateLayouts();
    // Reads the shader files of every pipeline, then makes each pipeline whose
    // shaders loaded. A missing or unreadable file is named once on stderr.
    void CreatePipelines();

    VkPipeline Pipeline(PipelineId id) const;   // null when it was not made
    uint32_t ColorTargets(PipelineId id) const; // 0 for a shadow pipeline, which writes depth only
    // The composition or the overlay pipeline for an output format, made on first use; null when it cannot
    // be.
    VkPipeline Output(bool overlay, VkFormat format);
    VkPipelineLayout Layout() const { return layout_; }
    VkDescriptorSetLayout UniformSetLayout() const { return setLayouts_[0]; }
    VkDescriptorSetLayout TextureSetLayout(TextureSet set) const {
        return setLayouts_[static_cast<size_t>(set)];
    }
    const DescriptorSetShape& TextureSetShape(TextureSet set) const {
        return textureSetShapes_[static_cast<size_t>(set) - 1];
    }

    VkShaderModule Shader(const std::string& name) const; // null when it did not load
    int CreatedCount() const;
    // Files that could not be read.
    const std::vector<std::string>& MissingShaderFiles() const { return missing_; }

private:
    struct OutputPipeline {
        bool overlay = false;
        VkFormat format = VK_FORMAT_UNDEFINED;
        VkPipeline pipeline = VK_NULL_HANDLE;
    };

    void LoadShaders();
    VkShaderModule LoadShaderFile(const std::string& name);
    VkPipeline CreateOutputPipeline(VkShaderModule vertex, VkShaderModule fragment, VkPipelineLayout layout,
                                    VertexLayout vertices, VkFormat format);
    VkPipeline CreateComposePipeline(VkFormat format);
    VkPipeline CreateOverlayPipeline(VkFormat format);

    VkDevice device_;
    Options options_;
    VkSampler textureSampler_ = VK_NULL_HANDLE;
    VkSampler composeSampler_ = VK_NULL_HANDLE;
    std::array<VkDescriptorSetLayout, 1 + kTextureSetCount> setLayouts_{};
    std::array<DescriptorSetShape, kTextureSetCount> textureSetShapes_{};
    VkPipelineLayout layout_ = VK_NULL_HANDLE;
    VkPipelineLayout overlayLayout_ = VK_NULL_HANDLE; // the overlay binds nothing
    std::map<std::string, VkShaderModule> shaders_;   // by file name, null for one that did not load
    std::vector<VkShaderModule> ownedModules_;
    std::vector<std::string> missing_;
    std::array<VkPipeline, kPipelineCount> pipelines_{};
    std::array<uint32_t, kPipelineCount> colorTargets_{};
    std::vector<OutputPipeline> outputs_;
};

} // namespace quorvane
