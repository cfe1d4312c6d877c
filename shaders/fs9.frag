#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Mesh colliders; the highlight value marks the one being hit.
void main() {
    vec3 color = highlight.value.x > 0.0 ? vec3(1.0, 0.2, 0.2) : vec3(0.2, 0.6, 1.0);
    outColor = vec4(color * (0.5 + 0.5 * Lambert(vNormal)), 0.5);
}
