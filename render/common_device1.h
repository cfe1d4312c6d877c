#pragma once

#include "render/common_device.h"

#include <map>
#include <string>
#include <vector>

namespace quorvane {

enum class ShaderStage { Vertex, TessellationControl, TessellationEvaluation, Geometry, Fragment };
inline constexpr int kShaderStageCount = 5;

// The device of a 3D view with the one pipeline layout, the compiled shader
// files and the table of pipelines (PipelineId).
class CCommonDevice1 : public CCommonDevice {
public:
    using CCommonDevice::CCommonDevice;
    ~CCommonDevice1() override;

    bool CreatePipelineLayout() override;
    // Reads the "shader/<name>.spv" of every pipeline; a missing or unreadable
    // file is named once on stderr and its pipelines are not created.
    bool LoadShaders() override;
    // Creates every pipeline of the table whose shaders loaded.
    bool CreatePipelines() override;

    // The three set-up steps after CreateDeviceObjects, in their order. False
    // when the pipeline layout could not be made: the device cannot draw.
    bool CreatePipelineObjects();

    VkShaderModule Shader(const std::string& name) const; // null when it did not load
    int CreatedPipelineCount() const;
    // Files that LoadShaders could not read.
    const std::vector<std::string>& MissingShaderFiles() const { return missingShaders_; }

protected:
    VkPipeline CreateComposePipeline(VkFormat format) override;
    VkPipeline CreateOverlayPipeline(VkFormat format) override;

private:
    VkShaderModule LoadShaderFile(const std::string& name);

    std::map<std::string, VkShaderModule> shaders_; // by file name, null for one that did not load
    std::vector<VkShaderModule> ownedModules_;
    std::vector<std::string> missingShaders_;
};

} // namespace quorvane
