#include "ui/scroll_math.h"

#include <algorithm>

namespace quorvane {
namespace {
float Range(const ScrollShown& shown) {
    return shown.maximum - shown.minimum;
}
} // namespace

ScrollHit HitTestThumb(const ScrollShown& shown, float length, float coordinate) {
    if (Range(shown) <= 0.0f) {
        return ScrollHit::OnThumb;
    }
    const float start = length * shown.position / Range(shown);
    const float answering = std::max(length / 30.0f, shown.thumbLength);
    if (start > coordinate) {
        return ScrollHit::BeforeThumb;
    }
    if (coordinate > start + answering) {
        return ScrollHit::AfterThumb;
    }
    return ScrollHit::OnThumb;
}

ThumbSpan ThumbSpanOf(const ScrollShown& shown, float length) {
    if (Range(shown) <= 0.0f) {
        return {0, static_cast<int32_t>(length)};
    }
    const float start = length * shown.position / Range(shown);
    return {static_cast<int32_t>(start), static_cast<int32_t>(start + shown.thumbLength)};
}

ScrollShown ShownFor(const ScrollInfo& info, float length) {
    ScrollShown shown;
    shown.maximum = static_cast<float>(info.maximum);
    shown.minimum = static_cast<float>(info.minimum);
    shown.page = info.page;
    shown.position = static_cast<float>(info.position);
    const int32_t range = info.maximum - info.minimum;
    shown.thumbLength =
        range > 0 ? static_cast<float>(static_cast<int32_t>(length * static_cast<float>(info.page) / range))
                  : length;
    return shown;
}

float StepBefore(float position, const ScrollInfo& info) {
    position -= static_cast<float>(info.maximum / 10);
    return static_cast<float>(info.minimum) >= position ? static_cast<float>(info.minimum) : position;
}

float StepAfter(float position, const ScrollInfo& info) {
    position += static_cast<float>(info.maximum / 10);
    const auto last = static_cast<float>(info.maximum - info.page);
    return position >= last ? last : position;
}

float DragPosition(float coordinate, float thumbLength, float length, const ScrollInfo& info, bool vertical) {
    float position = length > 0.0f ? (coordinate - thumbLength * 0.5f) *
                                         static_cast<float>(info.maximum - info.minimum) / length
                                   : static_cast<float>(info.minimum);
    if (static_cast<float>(info.minimum) >= position) {
        position = static_cast<float>(info.minimum);
    }
    const auto upper = static_cast<float>(info.maximum - info.page + (vertical ? 1 : 0));
    return position >= upper ? upper : position;
}

} // namespace quorvane
