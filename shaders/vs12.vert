#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "vertex_color_in.glsl"
#include "instance_in.glsl"
#include "surface_out.glsl"

// Instanced groups: each instance's world matrix from the instance record.
void main() {
    vec4 world = vec4(inPosition, 1.0) * model.meshMatrix * InstanceWorld();
    vColor = inColor;
    vUv = inTexcoord0;
    vNormal = (vec4(inNormal, 0.0) * InstanceRotationScale()).xyz;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
