#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Textured, lit by light 0.
void main() {
    vec4 base = texture(sampler2D(modelTexture, textureSampler), vUv) * vColor * MaterialDiffuse();
    float light = 0.4 + 0.6 * Lambert(vNormal) * frame.lightColor[0].w;
    outColor = vec4(base.rgb * light, base.a);
}
