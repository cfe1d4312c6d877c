#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Copies the off-screen scene (table 5, first texture).
void main() {
    outColor = texture(sampler2D(modelTexture, s0), vUv);
}
