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

// The skin of this vertex: the SkinFromInfluences rule (weight above 1e-7,
// index 0-127, none counting leaves the vertex as it is), applied only when
// the model block says the model has a palette (parameters.w, its bone
// count). The bound is a uniform loop count rather than an if: a CPU driver
// runs both sides of a branch under a lane mask, palette reads included, but
// leaves a loop once no lane goes on.
mat4 ColorVertexSkin() {
    vec2 influences[8] = vec2[8](inTexcoord1, inTexcoord2, inTexcoord3, inTexcoord4, inTexcoord5, inTexcoord6,
                                 inTexcoord7, inTexcoord8);
    int influenceCount = model.parameters.w > 0.0 ? 8 : 0;
    mat4 skin = mat4(0.0);
    bool used = false;
    for (int i = 0; i < influenceCount; ++i) {
        vec2 influence = influences[i];
        if (influence.y > 1e-7 && influence.x >= 0.0 && influence.x < 128.0) {
            skin += model.bones[int(influence.x)] * influence.y;
            used = true;
        }
    }
    return used ? skin : mat4(1.0);
}
