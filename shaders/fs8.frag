#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Sphere, box, capsule and rectangle colliders over the whole image: a sphere
// or box is a disc around A, a capsule or rectangle everything near segment AB.
// The radius comes as (radius / w); the projection's own x and y scales turn
// it into the image's units, so discs stay round at any aspect.

float DistanceToSegment(vec2 p, vec2 a, vec2 b) {
    vec2 ab = b - a;
    float lengthSquared = dot(ab, ab);
    float t = lengthSquared > 0.0 ? clamp(dot(p - a, ab) / lengthSquared, 0.0, 1.0) : 0.0;
    return length(p - (a + ab * t));
}

void main() {
    vec2 ndc = vec2(vUv.x * 2.0 - 1.0, 1.0 - vUv.y * 2.0);
    vec2 scale = abs(vec2(frame.projection[0][0], frame.projection[1][1]));
    scale = vec2(scale.x > 0.0 ? scale.x : 1.0, scale.y > 0.0 ? scale.y : 1.0);
    vec2 p = ndc / scale;
    bool inside = false;
    for (int i = 0; i < 255 && !inside; ++i) {
        float type = colliders.info[i].x;
        if (type < 0.5) {
            break;
        }
        float radius = colliders.info[i].y;
        vec2 a = colliders.points[2 * i].xy / scale;
        vec2 b = colliders.points[2 * i + 1].xy / scale;
        bool segment = type > 2.5;
        float distance = segment ? DistanceToSegment(p, a, b) : length(p - a);
        inside = distance <= radius;
    }
    if (!inside) {
        discard;
    }
    // Highlight: 0 plain green, 1 yellow, 2 red.
    float level = highlight.value.x;
    vec3 color = level > 1.5 ? vec3(1.0, 0.25, 0.2) : level > 0.5 ? vec3(1.0, 0.9, 0.2) : vec3(0.2, 0.9, 0.3);
    outColor = vec4(color, 0.5);
}
