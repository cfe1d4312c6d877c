// ColorVertex: position, normal, colour, nine texture coordinates.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inColor;
layout(location = 3) in vec2 inTexcoord0;
layout(location = 4) in vec2 inTexcoord1;
layout(location = 5) in vec2 inTexcoord2;
layout(location = 6) in vec2 inTexcoord3;
layout(location = 7) in vec2 inTexcoord4;
layout(location = 8) in vec2 inTexcoord5;
layout(location = 9) in vec2 inTexcoord6;
layout(location = 10) in vec2 inTexcoord7;
layout(location = 11) in vec2 inTexcoord8;

mat4 ColorVertexSkin() {
    vec2 influences[8] = vec2[8](inTexcoord1, inTexcoord2, inTexcoord3, inTexcoord4, inTexcoord5, inTexcoord6,
                                 inTexcoord7, inTexcoord8);
    return SkinFromInfluences(influences);
}
