#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "model_vertex_in.glsl"
#include "surface_out.glsl"

// Collider meshes, skinned like their model.
void main() {
    mat4 skin = ModelVertexSkin();
    vec4 world = vec4(inPosition, 1.0) * skin * model.meshMatrix * model.world;
    vColor = vec4(1.0);
    vUv = vec2(0.0);
    vNormal = (vec4(inNormal, 0.0) * skin * model.rotationScale).xyz;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
