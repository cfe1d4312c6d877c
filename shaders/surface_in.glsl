layout(location = 0) in vec4 vColor;
layout(location = 1) in vec2 vUv;
layout(location = 2) in vec3 vNormal;
layout(location = 3) in vec3 vWorld;
layout(location = 0) out vec4 outColor;
