#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "quad_in.glsl"
#include "surface_out.glsl"

// Collider shapes: a full-screen quad; the fragment shader draws the shapes.
void main() {
    vColor = vec4(1.0);
    vUv = inUv;
    vNormal = inNormal;
    vWorld = inPosition;
    gl_Position = ToVulkanClip(vec4(inPosition.xy, 0.0, 1.0));
}
