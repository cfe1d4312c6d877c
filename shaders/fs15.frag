#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// The rest of the terrain set (binding 3 onward): pictures 4 to 9, then the noise.
layout(set = 2, binding = 3) uniform texture2D terrain3;
layout(set = 2, binding = 4) uniform texture2D terrain4;
layout(set = 2, binding = 5) uniform texture2D terrain5;
layout(set = 2, binding = 6) uniform texture2D terrain6;
layout(set = 2, binding = 7) uniform texture2D terrain7;
layout(set = 2, binding = 8) uniform texture2D terrain8;
layout(set = 2, binding = 9) uniform texture2D terrainNoise;

// Explicit gradients: the pictures are sampled only where their weight counts.
vec3 Picture(int i, vec2 uv, vec2 dx, vec2 dy) {
    switch (i) {
    case 0: return textureGrad(sampler2D(terrain0, textureSampler), uv, dx, dy).rgb;
    case 1: return textureGrad(sampler2D(terrain1, textureSampler), uv, dx, dy).rgb;
    case 2: return textureGrad(sampler2D(terrain2, textureSampler), uv, dx, dy).rgb;
    case 3: return textureGrad(sampler2D(terrain3, textureSampler), uv, dx, dy).rgb;
    case 4: return textureGrad(sampler2D(terrain4, textureSampler), uv, dx, dy).rgb;
    case 5: return textureGrad(sampler2D(terrain5, textureSampler), uv, dx, dy).rgb;
    case 6: return textureGrad(sampler2D(terrain6, textureSampler), uv, dx, dy).rgb;
    case 7: return textureGrad(sampler2D(terrain7, textureSampler), uv, dx, dy).rgb;
    default: return textureGrad(sampler2D(terrain8, textureSampler), uv, dx, dy).rgb;
    }
}

// Splat layout: the vertex colour weighs three ground kinds (red, green,
// blue: pictures 1, 2, 3). Picture k + 3 and k + 6 are variants of kind k
// that the noise picture scatters over the field in patches. A model with
// fewer than nine splat pictures (material splat.x) uses only those.
void main() {
    vec2 uv = vUv * 8.0;
    vec2 dx = dFdx(uv);
    vec2 dy = dFdy(uv);
    float sum = vColor.r + vColor.g + vColor.b;
    vec3 weights = sum > 0.0001 ? vColor.rgb / sum : vec3(1.0, 0.0, 0.0);
    int pictures = material.splat.x > 0.0 ? clamp(int(material.splat.x), 3, 9) : 9;

    float noiseA = texture(sampler2D(terrainNoise, textureSampler), vWorld.xy / 700.0).r;
    float noiseB = texture(sampler2D(terrainNoise, textureSampler), vWorld.xy / 310.0 + vec2(0.37, 0.61)).r;
    float variant1 = pictures >= 6 ? smoothstep(0.55, 0.7, noiseA) : 0.0;
    float variant2 = pictures >= 9 ? smoothstep(0.6, 0.75, noiseB) * (1.0 - variant1) : 0.0;
    float base = 1.0 - variant1 - variant2;

    vec3 ground = vec3(0.0);
    for (int kind = 0; kind < 3; ++kind) {
        float w = weights[kind];
        if (w <= 0.0) {
            continue;
        }
        vec3 c = Picture(kind, uv, dx, dy) * base;
        if (variant1 > 0.0) {
            c += Picture(kind + 3, uv, dx, dy) * variant1;
        }
        if (variant2 > 0.0) {
            c += Picture(kind + 6, uv, dx, dy) * variant2;
        }
        ground += c * w;
    }
    outColor = vec4(ground * (0.4 + 0.6 * Lambert(vNormal)), 1.0);
}
