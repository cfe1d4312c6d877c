#pragma once

#include "render/common_device.h"

#include <cstdio>
#include <memory>

namespace quorvane {

// The headless device a benchmark draws with: validation off, shaders found
// the way the editor finds them. Null (after a message) when Vulkan fails.
inline std::unique_ptr<CCommonDevice> MakeBenchDevice(const char* benchName) {
    CCommonDevice::Options options;
    options.validation = false;
    auto device = std::make_unique<CCommonDevice>(options);
    if (!device->CreateDeviceObjects(nullptr) || !device->CreatePipelineObjects()) {
        std::fprintf(stderr, "%s: no Vulkan device\n", benchName);
        return nullptr;
    }
    return device;
}

} // namespace quorvane
