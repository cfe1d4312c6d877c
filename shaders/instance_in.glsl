// InstanceRecord, vertex stream 1.
layout(location = 12) in vec4 inInstanceData0;
layout(location = 13) in vec4 inInstanceData1;
layout(location = 14) in vec4 inInstanceMatrix0;
layout(location = 15) in vec4 inInstanceMatrix1;
layout(location = 16) in vec4 inInstanceMatrix2;
layout(location = 17) in vec4 inInstanceMatrix3;
layout(location = 18) in vec4 inInstanceNormal0;
layout(location = 19) in vec4 inInstanceNormal1;
layout(location = 20) in vec4 inInstanceNormal2;
layout(location = 21) in vec4 inInstanceNormal3;

mat4 InstanceWorld() {
    return mat4(inInstanceMatrix0, inInstanceMatrix1, inInstanceMatrix2, inInstanceMatrix3);
}
mat4 InstanceRotationScale() {
    return mat4(inInstanceNormal0, inInstanceNormal1, inInstanceNormal2, inInstanceNormal3);
}
