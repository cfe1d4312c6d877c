// Control points of the instanced tessellation pipelines (vs10, vs11 -> tcs10).
layout(location = 0) out vec4 cColor;
layout(location = 1) out vec2 cUv;
layout(location = 2) out vec3 cNormal;
layout(location = 3) out vec4 cWorld;
layout(location = 4) out float cCascade;
