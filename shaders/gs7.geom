#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;

layout(location = 0) in vec4 worldPosition[];
layout(location = 1) flat in int cascadeIndex[];

// Each triangle goes into the slice of its instance's cascade.
void main() {
    int cascade = clamp(cascadeIndex[0], 0, 2);
    for (int i = 0; i < 3; ++i) {
        gl_Layer = cascade;
        gl_Position = ToVulkanClip(worldPosition[i] * frame.lightView * frame.cascade[cascade]);
        EmitVertex();
    }
    EndPrimitive();
}
