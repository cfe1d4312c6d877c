#pragma once

namespace quorvane {

// The graphics pipelines of a 3D view, by what they draw; the number is the
// pipeline's place in the device's table.
enum class PipelineId : int {
    Model = 0,                 // textured models one by one, no culling
    Compose = 1,               // the scene image onto the output
    UntexturedModel = 2,       // models one by one, vertex colours only
    Grid = 3,                  // the ground grid, over everything
    PickMarker = 4,            // the marker under the pick point
    SelectedModel = 5,         // a selected copy, tinted
    ColliderMesh = 6,          // collider meshes of placed and grid-file copies
    ModelShadow = 7,           // shadow map of models drawn one by one
    ColliderShapes = 8,        // the character's spheres, boxes, capsules and rectangles
    CharacterColliderMesh = 9, // the character's mesh colliders, the hit one marked
    TessellatedInstances = 10, // instanced models in patches, no culling
    InstanceShadow = 11,       // shadow map of shared models' instances
    Instances = 12,            // shared models' instances
    InstancedGroup = 13,       // instanced groups
    TessellatedInstancesCulled = 14,
    Terrain = 15,                  // terrain tiles
    InstanceColliderMesh = 16,     // collider meshes of shared models' instances
    InstanceShadowShaderFive = 17, // shadow map of instances whose shader value is 5
    ModelCopies = 18,              // Model's copies of one model, merged into one instanced draw
    SelectedModelCopies = 19,      // SelectedModel's, merged likewise
};
inline constexpr int kPipelineCount = 20;

// The pipeline that draws many copies of one model at once for a pipeline
// that draws models one by one; itself where there is none.
constexpr PipelineId CopiesPipelineOf(PipelineId pipeline) {
    switch (pipeline) {
    case PipelineId::Model:
        return PipelineId::ModelCopies;
    case PipelineId::SelectedModel:
        return PipelineId::SelectedModelCopies;
    default:
        return pipeline;
    }
}

} // namespace quorvane
