#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Untextured variant of fs1.
void main() {
    vec4 base = vColor * MaterialDiffuse();
    outColor = vec4(base.rgb * (0.4 + 0.6 * Lambert(vNormal)), base.a);
}
