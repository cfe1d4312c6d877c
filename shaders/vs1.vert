#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "vertex_color_in.glsl"
#include "surface_out.glsl"

// Models drawn one by one: skin, mesh matrix, world, camera.
void main() {
    mat4 skin = ColorVertexSkin();
    vec4 world = vec4(inPosition, 1.0) * skin * model.meshMatrix * model.world;
    vec4 normal = vec4(inNormal, 0.0) * skin * model.meshMatrix * model.rotationScale;
    vColor = inColor;
    vUv = inTexcoord0;
    vNormal = normal.xyz;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
