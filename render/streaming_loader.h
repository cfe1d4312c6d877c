#pragma once

#include "editor/field_streaming.h"
#include "render/model_registry.h"

namespace quorvane {

// The field streaming's loads through the GPU registry: a loader thread per
// model in a loader slot, and instances that draw a shared source.
class CRegistryStreamingLoader : public IStreamingLoader {
public:
    explicit CRegistryStreamingLoader(CModelRegistry& registry) : registry_(registry) {}

    bool StartLoad(CModelEntry& entry) override;
    bool IsLoading(const CModelEntry& entry) const override;
    void WaitForLoads() override;
    bool MakeInstance(CModelEntry& entry, CModelEntry& source) override;
    ModelFileCheck CheckModelFiles(const std::string& path, bool thorough) override {
        return registry_.CheckModelFiles(path, thorough);
    }

private:
    CModelRegistry& registry_;
};

} // namespace quorvane
