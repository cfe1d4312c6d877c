#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// The material block as the grid writes it: diffuse = line colour, ambient = (cell size,
// line width in pixels, fade distance from the eye, 0), specular = axis
// colour, materialValue = colour of the picked cell's border, splat = pick point.
float LineCoverage(vec2 distanceInPixels, float width) {
    float d = min(distanceInPixels.x, distanceInPixels.y);
    return 1.0 - smoothstep(width * 0.5, width * 0.5 + 1.0, d);
}

void main() {
    vec2 p = vWorld.xy;
    float cell = max(material.ambient.x, 1.0);
    float width = max(material.ambient.y, 0.5);
    float fadeDistance = max(material.ambient.z, 1.0);
    vec2 perPixel = max(fwidth(p), vec2(1e-4));

    // Distance to the nearest cell border, and to the world axes, in pixels.
    vec2 toLine = abs(fract(p / cell + 0.5) - 0.5) * cell / perPixel;
    float line = LineCoverage(toLine, width);
    float axis = LineCoverage(abs(p) / perPixel, width * 2.0);

    vec2 pickedLow = floor(material.splat.xy / cell) * cell;
    vec2 margin = perPixel * width;
    bool onPickedCell = all(greaterThanEqual(p, pickedLow - margin)) &&
                        all(lessThanEqual(p, pickedLow + vec2(cell) + margin));

    vec3 colour = onPickedCell ? material.materialValue.rgb : vColor.rgb;
    float alpha = line * (onPickedCell ? 0.9 : 0.45);
    colour = mix(colour, material.specular.rgb, axis);
    alpha = max(alpha, axis * material.specular.a);

    float fade = 1.0 - smoothstep(0.5 * fadeDistance, fadeDistance, distance(vWorld, frame.eyePosition.xyz));
    outColor = vec4(colour, alpha * fade);
}
