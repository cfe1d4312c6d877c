#pragma once

#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

enum class VertexLayout { Color, Quad, Model, InstancedColor, InstancedModel, Overlay };

// One pipeline's differences from the common state (alpha blending, back-face
// culling with counter-clockwise front faces, depth less-or-equal with writes).
struct PipelineDescription {
    VkPipelineLayout layout = VK_NULL_HANDLE;
    VertexLayout vertexLayout = VertexLayout::Color;
    std::vector<VkPipelineShaderStageCreateInfo> stages;
    bool cullNone = false;
    bool alphaToCoverage = false;
    bool blend = true;
    bool depthTest = true;
    bool patches = false;
    bool triangleStrip = false;
    std::vector<VkFormat> colorFormats;
    VkFormat depthFormat = VK_FORMAT_UNDEFINED;

    void Stage(VkShaderStageFlagBits stage, VkShaderModule module);
};

// Null when creation fails.
VkPipeline BuildGraphicsPipeline(VkDevice device, const PipelineDescription& description);

} // namespace quorvane
