#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Marker under the pick point: a soft round spot.
void main() {
    float d = length(vUv - vec2(0.5)) * 2.0;
    outColor = vec4(vColor.rgb, vColor.a * (1.0 - smoothstep(0.8, 1.0, d)));
}
