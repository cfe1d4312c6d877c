#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "model_vertex_in.glsl"
#include "surface_out.glsl"

// Collider meshes in the order the CPU skins their collision data: the
// collider's own matrix, then the bones, then the model's world.
void main() {
    mat4 skin = ModelVertexSkin();
    vec4 world = vec4(inPosition, 1.0) * model.meshMatrix * skin * model.world;
    vColor = vec4(1.0);
    vUv = vec2(0.0);
    vNormal = (vec4(inNormal, 0.0) * model.meshMatrix * skin * model.rotationScale).xyz;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
