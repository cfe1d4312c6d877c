#pragma once

#include "modeldata/collider.h"
#include "modeldata/model.h"

#include <string>
#include <string_view>

namespace quorvane::mdlinfo {

enum class FileKind { kModel, kAnimation, kCollider };

// By extension (".mdl", ".ani", any case), otherwise by the keys the text uses.
FileKind DetectFileKind(std::string_view path, std::string_view text);
std::string_view KindName(FileKind kind);

std::string DescribeModel(const CModel& model);
// The model's last animation, read into it.
std::string DescribeAnimation(const CModel& model, bool bonesKnown);
std::string DescribeColliders(const CColliderSet& set);

} // namespace quorvane::mdlinfo
