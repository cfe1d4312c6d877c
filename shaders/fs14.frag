#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Tessellated instanced models.
void main() {
    vec4 base = texture(sampler2D(modelTexture, textureSampler), vUv) * vColor * MaterialDiffuse();
    outColor = vec4(base.rgb * (0.4 + 0.6 * Lambert(vNormal)), base.a);
}
