#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "vertex_color_in.glsl"
#include "instance_in.glsl"
#include "patch_out.glsl"

// Instanced control points for the tessellated main pass.
void main() {
    cWorld = vec4(inPosition, 1.0) * InstanceWorld();
    cColor = inColor;
    cUv = inTexcoord0;
    cNormal = (vec4(inNormal, 0.0) * InstanceRotationScale()).xyz;
    cCascade = 0.0;
    gl_Position = cWorld;
}
