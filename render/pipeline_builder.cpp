#include "render/pipeline_builder.h"

#include "render/overlay_2d.h"
#include "render/vertex_formats.h"

#include <array>

namespace quorvane {
namespace {

struct VertexInput {
    std::vector<VkVertexInputBindingDescription> bindings;
    std::vector<VkVertexInputAttributeDescription> attributes;
};

void AddColorVertex(VertexInput& input) {
    input.bindings.push_back({0, sizeof(ColorVertex), VK_VERTEX_INPUT_RATE_VERTEX});
    input.attributes.push_back({0, 0, VK_FORMAT_R32G32B32_SFLOAT, 0});
    input.attributes.push_back({1, 0, VK_FORMAT_R32G32B32_SFLOAT, 12});
    input.attributes.push_back({2, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 24});
    for (uint32_t i = 0; i < 9; ++i) {
        input.attributes.push_back({3 + i, 0, VK_FORMAT_R32G32_SFLOAT, 40 + 8 * i});
    }
}

void AddModelVertex(VertexInput& input) {
    input.bindings.push_back({0, sizeof(ModelVertex), VK_VERTEX_INPUT_RATE_VERTEX});
    input.attributes.push_back({0, 0, VK_FORMAT_R32G32B32_SFLOAT, 0});
    input.attributes.push_back({1, 0, VK_FORMAT_R32G32B32_SFLOAT, 12});
    for (uint32_t i = 0; i < 8; ++i) {
        input.attributes.push_back({2 + i, 0, VK_FORMAT_R32G32_SFLOAT, 24 + 8 * i});
    }
}

// INSTANCE_DATA 0-1, INSTANCE_MATRIX 0-3, INSTANCE_NORMAL_MATRIX 0-3 in stream 1.
void AddInstanceRecord(VertexInput& input) {
    input.bindings.push_back({1, sizeof(InstanceRecord), VK_VERTEX_INPUT_RATE_INSTANCE});
    for (uint32_t i = 0; i < 10; ++i) {
        input.attributes.push_back({12 + i, 1, VK_FORMAT_R32G32B32A32_SFLOAT, 16 * i});
    }
}

VertexInput MakeVertexInput(VertexLayout layout) {
    VertexInput input;
    switch (layout) {
    case VertexLayout::Color:
        AddColorVertex(input);
        break;
    case VertexLayout::Quad:
        input.bindings.push_back({0, sizeof(QuadVertex), VK_VERTEX_INPUT_RATE_VERTEX});
        input.attributes.push_back({0, 0, VK_FORMAT_R32G32B32_SFLOAT, 0});
        input.attributes.push_back({1, 0, VK_FORMAT_R32G32B32_SFLOAT, 12});
        input.attributes.push_back({2, 0, VK_FORMAT_R32G32_SFLOAT, 24});
        break;
    case VertexLayout::Model:
        AddModelVertex(input);
        break;
    case VertexLayout::InstancedColor:
        AddColorVertex(input);
        AddInstanceRecord(input);
        break;
    case VertexLayout::InstancedModel:
        AddModelVertex(input);
        AddInstanceRecord(input);
        break;
    case VertexLayout::Overlay:
        input.bindings.push_back({0, sizeof(OverlayVertex), VK_VERTEX_INPUT_RATE_VERTEX});
        input.attributes.push_back({0, 0, VK_FORMAT_R32G32_SFLOAT, 0});
        input.attributes.push_back({1, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 8});
        break;
    }
    return input;
}

} // namespace

void PipelineDescription::Stage(VkShaderStageFlagBits stage, VkShaderModule module) {
    VkPipelineShaderStageCreateInfo info{VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO};
    info.stage = stage;
    info.module = module;
    info.pName = "main";
    stages.push_back(info);
}

VkPipeline BuildGraphicsPipeline(VkDevice device, const PipelineDescription& d) {
    const VertexInput input = MakeVertexInput(d.vertexLayout);
    VkPipelineVertexInputStateCreateInfo vertexInput{
        VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO};
    vertexInput.vertexBindingDescriptionCount = static_cast<uint32_t>(input.bindings.size());
    vertexInput.pVertexBindingDescriptions = input.bindings.data();
    vertexInput.vertexAttributeDescriptionCount = static_cast<uint32_t>(input.attributes.size());
    vertexInput.pVertexAttributeDescriptions = input.attributes.data();

    VkPipelineInputAssemblyStateCreateInfo assembly{
        VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO};
    assembly.topology = d.patches         ? VK_PRIMITIVE_TOPOLOGY_PATCH_LIST
                        : d.triangleStrip ? VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP
                                          : VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    VkPipelineTessellationStateCreateInfo tessellation{
        VK_STRUCTURE_TYPE_PIPELINE_TESSELLATION_STATE_CREATE_INFO};
    tessellation.patchControlPoints = 3;

    VkPipelineViewportStateCreateInfo viewport{VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO};
    viewport.viewportCount = 1;
    viewport.scissorCount = 1;

    VkPipelineRasterizationStateCreateInfo raster{VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO};
    raster.polygonMode = VK_POLYGON_MODE_FILL;
    raster.cullMode = d.cullNone ? VK_CULL_MODE_NONE : VK_CULL_MODE_BACK_BIT;
    raster.frontFace = VK_FRONT_FACE_COUNTER_CLOCKWISE;
    raster.depthClampEnable = VK_FALSE; // depth clip on
    raster.lineWidth = 1.0f;

    VkPipelineMultisampleStateCreateInfo multisample{
        VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO};
    multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
    multisample.alphaToCoverageEnable = d.alphaToCoverage ? VK_TRUE : VK_FALSE;

    VkPipelineDepthStencilStateCreateInfo depth{VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO};
    const bool hasDepth = d.depthFormat != VK_FORMAT_UNDEFINED;
    depth.depthTestEnable = hasDepth && d.depthTest ? VK_TRUE : VK_FALSE;
    depth.depthWriteEnable = hasDepth && d.depthTest ? VK_TRUE : VK_FALSE;
    depth.depthCompareOp = VK_COMPARE_OP_LESS_OR_EQUAL;

    // Straight alpha blending of colour; alpha adds source alpha onto destination.
    VkPipelineColorBlendAttachmentState blend{};
    blend.blendEnable = d.blend ? VK_TRUE : VK_FALSE;
    blend.srcColorBlendFactor = VK_BLEND_FACTOR_SRC_ALPHA;
    blend.dstColorBlendFactor = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
    blend.colorBlendOp = VK_BLEND_OP_ADD;
    blend.srcAlphaBlendFactor = VK_BLEND_FACTOR_SRC_ALPHA;
    blend.dstAlphaBlendFactor = VK_BLEND_FACTOR_ONE;
    blend.alphaBlendOp = VK_BLEND_OP_ADD;
    blend.colorWriteMask = VK_COLOR_COMPONENT_R_BIT | VK_COLOR_COMPONENT_G_BIT | VK_COLOR_COMPONENT_B_BIT |
                           VK_COLOR_COMPONENT_A_BIT;
    const std::vector<VkPipelineColorBlendAttachmentState> blends(d.colorFormats.size(), blend);
    VkPipelineColorBlendStateCreateInfo colorBlend{VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO};
    colorBlend.attachmentCount = static_cast<uint32_t>(blends.size());
    colorBlend.pAttachments = blends.data();

    const std::array<VkDynamicState, 2> dynamicStates = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR};
    VkPipelineDynamicStateCreateInfo dynamic{VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO};
    dynamic.dynamicStateCount = static_cast<uint32_t>(dynamicStates.size());
    dynamic.pDynamicStates = dynamicStates.data();

    VkPipelineRenderingCreateInfo rendering{VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO};
    rendering.colorAttachmentCount = static_cast<uint32_t>(d.colorFormats.size());
    rendering.pColorAttachmentFormats = d.colorFormats.data();
    rendering.depthAttachmentFormat = d.depthFormat;

    VkGraphicsPipelineCreateInfo info{VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO};
    info.pNext = &rendering;
    info.stageCount = static_cast<uint32_t>(d.stages.size());
    info.pStages = d.stages.data();
    info.pVertexInputState = &vertexInput;
    info.pInputAssemblyState = &assembly;
    info.pTessellationState = d.patches ? &tessellation : nullptr;
    info.pViewportState = &viewport;
    info.pRasterizationState = &raster;
    info.pMultisampleState = &multisample;
    info.pDepthStencilState = &depth;
    info.pColorBlendState = &colorBlend;
    info.pDynamicState = &dynamic;
    info.layout = d.layout;
    VkPipeline pipeline = VK_NULL_HANDLE;
    if (vkCreateGraphicsPipelines(device, VK_NULL_HANDLE, 1, &info, nullptr, &pipeline) != VK_SUCCESS) {
        return VK_NULL_HANDLE;
    }
    return pipeline;
}

} // namespace quorvane
