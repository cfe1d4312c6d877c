#pragma once

#include "render/matrix.h"
#include "render/pipeline_id.h"

#include <vector>

namespace quorvane {

class CCommonDevice;
class CDrawModel;

// Copies of one still model drawn one after another with the same pipeline
// wait here and go to the GPU as one instanced draw: a driver's cost per
// draw, not the copies' vertices, is what a field of single copies pays.
// The device records what waits before anything else it is asked to do,
// so the order of the frame stays as drawn.
class CCopyMerger {
public:
    // Takes a copy of model where it stands now (its world and normal
    // matrices), drawn with pipeline. False when it cannot wait: a pipeline
    // without a merged twin, or a model with a bone palette; what waits for
    // another model or pipeline is recorded first.
    bool Add(CCommonDevice& device, CDrawModel& model, PipelineId pipeline);
    // Records what waits: one copy as the single draw it was, several as one
    // instanced draw of the pipeline's twin, the pipeline then bound again.
    void Flush(CCommonDevice& device);
    // Forgets what waits: the frame was abandoned.
    void Drop();
    bool Waiting() const { return model_ != nullptr; }

private:
    struct Copy {
        Matrix4 world;
        Matrix4 rotationScale;
    };

    CDrawModel* model_ = nullptr;
    PipelineId pipeline_ = PipelineId::Model;
    std::vector<Copy> copies_;
    std::vector<Copy> flushing_; // what Flush records; kept to keep its room
};

} // namespace quorvane
