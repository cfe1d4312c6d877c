#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// The model selected in the placement list: fs1 tinted by the highlight colour.
void main() {
    vec4 base = texture(sampler2D(modelTexture, textureSampler), vUv) * vColor * MaterialDiffuse();
    vec3 lit = base.rgb * (0.4 + 0.6 * Lambert(vNormal));
    vec3 tint = highlight.value.a > 0.0 ? highlight.value.rgb : vec3(1.0, 0.5, 0.0);
    outColor = vec4(mix(lit, tint, 0.5), base.a);
}
