// ModelVertex: position, normal, eight skin influences.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inTexcoord0;
layout(location = 3) in vec2 inTexcoord1;
layout(location = 4) in vec2 inTexcoord2;
layout(location = 5) in vec2 inTexcoord3;
layout(location = 6) in vec2 inTexcoord4;
layout(location = 7) in vec2 inTexcoord5;
layout(location = 8) in vec2 inTexcoord6;
layout(location = 9) in vec2 inTexcoord7;

mat4 ModelVertexSkin() {
    vec2 influences[8] = vec2[8](inTexcoord0, inTexcoord1, inTexcoord2, inTexcoord3, inTexcoord4, inTexcoord5,
                                 inTexcoord6, inTexcoord7);
    return SkinFromInfluences(influences);
}
