#pragma once

#include "modeldata/collider.h"
#include "modeldata/model.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvane::mdlinfo {

enum class FileKind { kModel, kAnimation, kCollider, kCollada };

// Models as every reader of model files tells them (ModelFormatOf: a COLLADA
// root element, or ".mdl" or ".dae" in any case); otherwise ".ani" in any
// case, or the keys the text uses.
FileKind DetectFileKind(std::string_view path, std::string_view text);
std::string_view KindName(FileKind kind);

std::string DescribeModel(const CModel& model);
// Loads a COLLADA document, whose bytes are text, and describes it as
// DescribeModel does. False, with error naming the path and the reason, when
// it cannot be read, is not well-formed XML or has no COLLADA element.
bool DescribeColladaFile(const std::string& path, std::string_view text, std::string& description,
                         std::string& error);
// What the drawable-model build would stumble over: polygon blocks naming
// missing streams or materials, indices outside their streams, weight tables
// shorter than the position stream. One line per problem.
std::vector<std::string> FindGeometryProblems(const CModel& model, const CGeometry& geometry);
// The model's last animation, read into it.
std::string DescribeAnimation(const CModel& model, bool bonesKnown);
std::string DescribeColliders(const CColliderSet& set);

} // namespace quorvane::mdlinfo
