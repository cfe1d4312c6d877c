// Shared declarations: the pipeline layout every shader is built against.
// Matrices arrive transposed from row-major data, so GLSL sees them as
// written and row vectors transform as p * M.

layout(set = 0, binding = 0, std140) uniform FrameBlock {
    mat4 view;
    mat4 projection;
    mat4 lightView;
    mat4 cascade[3];
    vec4 lightColor[16];
    vec4 lightPosition[16];
    vec4 eyePosition;
    vec4 targetPosition;
    vec4 passValues; // shadow pass flag, width, height, instanced-group flag
    vec4 animationPhases;
} frame;

layout(set = 0, binding = 1, std140) uniform MaterialBlock {
    vec4 diffuse;
    vec4 ambient;
    vec4 specular;
    vec4 materialValue;
    vec4 splat;
} material;

layout(set = 0, binding = 2, std140) uniform ModelBlock {
    vec4 parameters;
    mat4 meshMatrix;
    mat4 world;
    mat4 rotationScale;
    mat4 bones[128];
} model;

// Up to 255 analytic collider shapes; the list ends at the first type 0.
layout(set = 0, binding = 3, std140) uniform ColliderBlock {
    vec4 points[510]; // shape k: A at 2k, B at 2k + 1, in normalised device coordinates
    vec4 info[255];   // shape k: (type, radius / w, 0, 0)
} colliders;

layout(set = 0, binding = 4, std140) uniform HighlightBlock {
    vec4 value;
} highlight;

layout(set = 0, binding = 5) uniform sampler textureSampler;

// Set 1: the model's textures; set 2: the terrain pictures; set 3: the shadow map and noise.
layout(set = 1, binding = 0) uniform texture2D modelTexture;
layout(set = 2, binding = 0) uniform texture2D terrain0;
layout(set = 2, binding = 1) uniform texture2D terrain1;
layout(set = 2, binding = 2) uniform texture2D terrain2;
layout(set = 3, binding = 0) uniform texture2DArray shadowMap;
layout(set = 3, binding = 2) uniform texture2D noiseTexture;

// Clip space of the row-major matrices (y up, depth 0..1) to Vulkan's (y down).
vec4 ToVulkanClip(vec4 clip) {
    return vec4(clip.x, -clip.y, clip.z, clip.w);
}

// The CPU collider skinning uses the same rule, so pictures match collisions:
// an influence counts when its weight is above 1e-7 and its index names a
// palette entry (0 is the first bone); none counting leaves the vertex as it is.
mat4 SkinFromInfluences(vec2 influences[8]) {
    mat4 skin = mat4(0.0);
    bool used = false;
    for (int i = 0; i < 8; ++i) {
        if (influences[i].y > 1e-7 && influences[i].x >= 0.0 && influences[i].x < 128.0) {
            skin += model.bones[int(influences[i].x)] * influences[i].y;
            used = true;
        }
    }
    return used ? skin : mat4(1.0);
}

vec3 LightDirection() {
    vec3 l = frame.lightPosition[0].xyz;
    return length(l) > 0.0 ? normalize(-l) : vec3(0.0, 0.0, 1.0);
}

float Lambert(vec3 normal) {
    vec3 n = length(normal) > 0.0 ? normalize(normal) : vec3(0.0, 0.0, 1.0);
    return max(dot(n, LightDirection()), 0.0);
}

vec4 MaterialDiffuse() {
    // An unset material block reads zero: draw unlit white then.
    return material.diffuse.a > 0.0 ? material.diffuse : vec4(1.0);
}
