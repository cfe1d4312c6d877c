#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Collider surfaces: translucent green, shaded.
void main() {
    outColor = vec4(vec3(0.2, 0.9, 0.3) * (0.5 + 0.5 * Lambert(vNormal)), 0.6);
}
