#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Terrain: three field textures weighted by the vertex colour.
void main() {
    vec2 uv = vUv * 8.0;
    vec3 weights = vColor.rgb / max(vColor.r + vColor.g + vColor.b, 0.0001);
    vec4 ground = texture(sampler2D(terrain0, s0), uv) * weights.r + texture(sampler2D(terrain1, s0), uv) * weights.g +
                  texture(sampler2D(terrain2, s0), uv) * weights.b;
    outColor = vec4(ground.rgb * (0.4 + 0.6 * Lambert(vNormal)), 1.0);
}
