#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

layout(set = 0, binding = 6) uniform sampler composeSampler;

// Copies the off-screen scene (set 1, binding 0), stretched to the output.
void main() {
    outColor = textureLod(sampler2D(modelTexture, composeSampler), vUv, 0.0);
}
