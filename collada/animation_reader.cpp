// Baked matrix animation: one animation, one channel per animated node.
#include "collada/number_lists.h"
#include "collada/readers.h"
#include "collada/xml_access.h"

#include <memory>

namespace quorvane {
namespace {

constexpr std::string_view kAnimationId = "ColladaAnim_001";

struct CAnimationSource {
    std::string id;
    std::vector<float> floats;
};

class CChannelReader {
public:
    explicit CChannelReader(pugi::xml_node animation) : animation_(animation) {}

    // Null when the element animates nothing.
    std::unique_ptr<CAnimationChannel> Read(const CModel& model) {
        const pugi::xml_node channelNode = animation_.child("channel");
        if (!channelNode) {
            return nullptr;
        }
        ReadSources();
        auto channel = std::make_unique<CAnimationChannel>();
        const std::string_view samplerId = ReferencedId(AttributeOf(channelNode, "source"));
        const pugi::xml_node sampler = SelectNodeWhere(animation_, "sampler", "id", samplerId);
        if (const CAnimationSource* times = SourceOfInput(sampler, "INPUT")) {
            channel->keyTimes = times->floats;
        }
        if (const CAnimationSource* poses = SourceOfInput(sampler, "OUTPUT")) {
            // Whole matrices only: a tail of fewer than 16 floats is no pose.
            const std::vector<float>& floats = poses->floats;
            constexpr size_t kMatrixSize = std::tuple_size_v<Matrix4x4>;
            channel->poses.resize(floats.size() / kMatrixSize);
            for (size_t m = 0; m < channel->poses.size(); ++m) {
                std::copy_n(floats.begin() + static_cast<std::ptrdiff_t>(m * kMatrixSize), kMatrixSize,
                            channel->poses[m].begin());
            }
        }
        const std::string_view target = AttributeOf(channelNode, "target");
        channel->target = NameOf(target.substr(0, target.find('/')));
        channel->bone = model.FindBoneById(channel->target);
        return channel;
    }

private:
    void ReadSources() {
        for (const pugi::xml_node node : animation_.children("source")) {
            CAnimationSource& source = sources_.emplace_back();
            source.id = NameOf(AttributeOf(node, "id"));
            if (const pugi::xml_node floatArray = node.child("float_array")) {
                source.floats =
                    ReadFloatList(TextOf(floatArray), CountLimit(IntAttributeOf(floatArray, "count")));
            }
        }
    }

    const CAnimationSource* SourceOfInput(pugi::xml_node sampler, std::string_view semantic) const {
        const pugi::xml_node input = SelectNodeWhere(sampler, "input", "semantic", semantic);
        if (!input) {
            return nullptr;
        }
        const std::string id = NameOf(ReferencedId(AttributeOf(input, "source")));
        for (const CAnimationSource& source : sources_) {
            if (source.id == id) {
                return &source;
            }
        }
        return nullptr;
    }

    pugi::xml_node animation_;
    std::vector<CAnimationSource> sources_;
};

} // namespace

void ReadAnimations(CModel& model, pugi::xml_node collada) {
    // Some exporters group the per-channel animations under one outer animation.
    std::vector<pugi::xml_node> elements = SelectNodes(collada, "library_animations/animation/animation");
    if (elements.empty()) {
        elements = SelectNodes(collada, "library_animations/animation");
    }
    auto animation = std::make_unique<CAnimation>();
    animation->animationId = std::string(kAnimationId);
    for (const pugi::xml_node element : elements) {
        if (auto channel = CChannelReader(element).Read(model)) {
            animation->channels.push_back(std::move(channel));
        }
    }
    model.animations.push_back(std::move(animation));
}

} // namespace quorvane
