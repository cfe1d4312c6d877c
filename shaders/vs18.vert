#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "vertex_color_in.glsl"
#include "instance_in.glsl"
#include "surface_out.glsl"

// Copies of one model drawn one by one, merged into one instanced draw: the
// arithmetic of the single draw, with each copy's world and normal matrices
// from its instance record. Only models without bones merge, so there is no
// skinning, and no influences to fetch.
void main() {
    vec4 world = vec4(inPosition, 1.0) * model.meshMatrix * InstanceWorld();
    vec4 normal = vec4(inNormal, 0.0) * model.meshMatrix * InstanceRotationScale();
    vColor = inColor;
    vUv = inTexcoord0;
    vNormal = normal.xyz;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
