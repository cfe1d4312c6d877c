#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "model_vertex_in.glsl"
#include "instance_in.glsl"
#include "surface_out.glsl"

// Collider meshes of instanced groups: collider matrix, bones, then each
// instance's world from its instance record.
void main() {
    mat4 skin = ModelVertexSkin();
    vec4 world = vec4(inPosition, 1.0) * model.meshMatrix * skin * InstanceWorld();
    vColor = vec4(1.0);
    vUv = vec2(0.0);
    vNormal = (vec4(inNormal, 0.0) * model.meshMatrix * skin * InstanceRotationScale()).xyz;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
