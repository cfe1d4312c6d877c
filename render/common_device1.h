#pragma once

#include "render/common_device.h"

#include <array>
#include <string>
#include <vector>

namespace quorvane {

enum class ShaderStage { Vertex, Pixel, Hull, Domain, Geometry };
inline constexpr int kShaderStageCount = 5;

// The device of a 3D view with the one pipeline layout (the root signature),
// the compiled shader files and the table of 18 pipelines.
class CCommonDevice1 : public CCommonDevice {
public:
    using CCommonDevice::CCommonDevice;
    ~CCommonDevice1() override;

    bool CreateRootSignature() override;
    // Reads every listed "shader/<name>.spv"; a missing or unreadable file is
    // named once on stderr and leaves its entry empty.
    bool LoadShaders() override;
    // Creates pipelines 0-17; one whose shader is missing is not created.
    bool CreatePipelineStates() override;

    // The three set-up steps after CreateDeviceObjects, in their order. False
    // when the pipeline layout could not be made: the device cannot draw.
    bool CreatePipelineObjects();

    VkShaderModule Shader(ShaderStage stage, int entry) const;
    int CreatedPipelineCount() const;
    // Files that LoadShaders could not read.
    const std::vector<std::string>& MissingShaderFiles() const { return missingShaders_; }

protected:
    VkPipeline CreateComposePipeline(VkFormat format) override;
    VkPipeline CreateOverlayPipeline(VkFormat format) override;

private:
    VkShaderModule LoadShaderFile(const std::string& name);

    std::array<std::array<VkShaderModule, kPipelineSlotCount>, kShaderStageCount> shaders_{};
    std::vector<VkShaderModule> ownedModules_;
    VkShaderModule overlayVertex_ = VK_NULL_HANDLE;
    VkShaderModule overlayPixel_ = VK_NULL_HANDLE;
    std::vector<std::string> missingShaders_;
};

} // namespace quorvane
