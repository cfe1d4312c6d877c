#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Traces the pixel's camera ray against the listed spheres.
void main() {
    mat4 inverseViewProjection = inverse(frame.view * frame.projection);
    vec2 ndc = vec2(vUv.x * 2.0 - 1.0, 1.0 - vUv.y * 2.0);
    vec4 nearPoint = vec4(ndc, 0.0, 1.0) * inverseViewProjection;
    vec4 farPoint = vec4(ndc, 1.0, 1.0) * inverseViewProjection;
    vec3 origin = nearPoint.xyz / nearPoint.w;
    vec3 direction = normalize(farPoint.xyz / farPoint.w - origin);
    int count = clamp(int(colliders.count.x), 0, 255);
    float alpha = 0.0;
    for (int i = 0; i < count; ++i) {
        vec4 sphere = colliders.shapes[i];
        vec3 toCenter = sphere.xyz - origin;
        float along = dot(toCenter, direction);
        float miss = dot(toCenter, toCenter) - along * along;
        if (along > 0.0 && miss <= sphere.w * sphere.w) {
            alpha = 0.5;
        }
    }
    outColor = vec4(0.2, 0.9, 0.3, alpha);
}
