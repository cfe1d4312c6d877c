#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "vertex_color_in.glsl"
#include "surface_out.glsl"

// The material block as the marker writes it: diffuse = centre (the pick point), ambient =
// axis scale, specular.x = radius in world units, materialValue = colour.
// The quad's corners lie at +-1000, so they are scaled to the radius.
void main() {
    vec3 offset = inPosition * material.ambient.xyz * (material.specular.x / 1000.0);
    vec4 world = vec4(material.diffuse.xyz + offset, 1.0);
    vColor = material.materialValue;
    vUv = inTexcoord0;
    vNormal = inNormal;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
