#version 450
layout(location = 0) in vec2 inPixel;
layout(location = 1) in vec4 inColor;
layout(location = 0) out vec4 vColor;

// Pixels of the 1920 x 1080 image to clip space; the viewport stretches it.
void main() {
    vColor = inColor;
    gl_Position = vec4(inPixel / vec2(1920.0, 1080.0) * 2.0 - 1.0, 0.0, 1.0);
}
