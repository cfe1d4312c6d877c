// What every vertex stage hands to the fragment shaders.
layout(location = 0) out vec4 vColor;
layout(location = 1) out vec2 vUv;
layout(location = 2) out vec3 vNormal;
layout(location = 3) out vec3 vWorld;
