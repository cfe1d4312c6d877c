#include "modeldata/ani_reader.h"

#include "modeldata/file_bytes.h"
#include "modeldata/number_line.h"
#include "modeldata/stream_blocks.h"
#include "modeldata/text_lines.h"
#include "modeldata/text_numbers.h"

#include <unordered_map>

namespace quorvane {
namespace {

std::string ReadNameLine(CTextLines& lines) {
    std::string_view line;
    if (!lines.Next(line_limit::kKey, line)) {
        return {};
    }
    std::string_view token;
    CTokens(line, kValueDelimiters).Next(token);
    return DecodeName(token);
}

class CAnimationTextReader {
public:
    CAnimationTextReader(const CModel& model, std::string_view text) : model_(model), lines_(text) {
        for (const auto& bone : model_.bones) {
            boneById_.emplace(bone->id, bone.get());
        }
    }

    // The animation, or null when the file was made for another model.
    std::unique_ptr<CAnimation> Read(std::string_view animationName) {
        auto animation = std::make_unique<CAnimation>();
        animation->name = CutName(animationName);
        std::unique_ptr<CAnimationChannel> channel;
        std::string_view line;
        while (lines_.Next(line)) {
            const CKeyLine keyLine = SplitKeyLine(line, kKeyDelimiters);
            const std::string_view key = keyLine.key;
            if (key == "TARGET_MODEL_ID") {
                if (ReadNameLine(lines_) != model_.id) {
                    return nullptr;
                }
            } else if (key == "ANIMATION_ID") {
                animation->animationId = ReadNameLine(lines_);
            } else if (key == "ANIMATION_BEGIN") {
                channel = std::make_unique<CAnimationChannel>();
            } else if (key == "TARGET") {
                if (channel) {
                    channel->target = DecodeName(keyLine.value);
                    const auto found = boneById_.find(channel->target);
                    channel->bone = found != boneById_.end() ? found->second : nullptr;
                }
            } else if (key == "KEY_TIME") {
                // The line is consumed even outside a channel so it is not read as keys.
                std::string_view times;
                lines_.Next(line_limit::kKeyTimes, times);
                if (channel) {
                    ReadKeyTimes(times, channel->keyTimes);
                }
            } else if (key == "POSE_MATRIX") {
                ReadPoses(channel.get());
            } else if (key == "ANIMATION_END") {
                if (channel) {
                    animation->channels.push_back(std::move(channel));
                }
            }
        }
        return animation;
    }

private:
    static void ReadKeyTimes(std::string_view line, std::vector<float>& keyTimes) {
        ForEachDoubleOnLine(line, SIZE_MAX, [&](double time) { keyTimes.push_back(NarrowToFloat(time)); });
    }

    // Pose lines up to and including POSE_MATRIX_END; each other line is one pose.
    void ReadPoses(CAnimationChannel* channel) {
        std::string_view line;
        while (lines_.Next(line_limit::kKey, line)) {
            std::string_view first;
            CTokens(line, kKeyDelimiters).Next(first);
            if (first == "POSE_MATRIX_END") {
                return;
            }
            if (channel != nullptr) {
                channel->poses.push_back(ReadMatrixLine(line));
            }
        }
    }

    const CModel& model_;
    CTextLines lines_;
    std::unordered_map<std::string, CBone*> boneById_; // first bone of each id
};

} // namespace

bool ReadAnimationText(CModel& model, std::string_view text, std::string_view animationName) {
    auto animation = CAnimationTextReader(model, text).Read(animationName);
    if (!animation) {
        return false;
    }
    model.animations.push_back(std::move(animation));
    return true;
}

bool ReadAnimationFile(CModel& model, const std::filesystem::path& path, std::string_view animationName,
                       std::string& error) {
    const CFileBytes bytes = ReadFileBytes(path);
    if (!bytes) {
        error = bytes.error;
        return false;
    }
    if (!ReadAnimationText(model, bytes.Text(), animationName)) {
        error = path.string() + ": made for another model than \"" + model.id + "\"";
        return false;
    }
    return true;
}

bool ReadAnimationFile(CModel& model, const std::filesystem::path& path, std::string_view animationName) {
    std::string ignored;
    return ReadAnimationFile(model, path, animationName, ignored);
}

std::optional<std::string> FindAnimationTargetModelId(std::string_view text) {
    CTextLines lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        if (SplitKeyLine(line, kKeyDelimiters).key == "TARGET_MODEL_ID") {
            return ReadNameLine(lines);
        }
    }
    return std::nullopt;
}

} // namespace quorvane
