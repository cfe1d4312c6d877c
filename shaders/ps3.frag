#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "surface_in.glsl"

// Grid lines: the quad's colour where a cell border runs, clear elsewhere.
void main() {
    vec2 cell = fract(vWorld.xy / 50.0);
    float border = step(cell.x, 0.01) + step(0.99, cell.x) + step(cell.y, 0.01) + step(0.99, cell.y);
    outColor = vec4(vColor.rgb, vColor.a * clamp(border, 0.0, 1.0));
}
