#pragma once

#include <cstdint>

namespace quorvane {

// A target's scroll information as the classic scroll API states it: the
// range is inclusive and the highest position is maximum - page + 1.
struct ScrollInfo {
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t page = 0;
    int32_t position = 0;
};

// What the bar shows, as last copied from its target.
struct ScrollShown {
    float maximum = 0.0f;
    float minimum = 0.0f;
    float thumbLength = 0.0f;
    int32_t page = 0;
    float position = 0.0f;
};

enum class ScrollHit { BeforeThumb, OnThumb, AfterThumb };

// The thumb answers to at least a thirtieth of the bar, even when drawn
// smaller. An empty range shows a full-length thumb.
ScrollHit HitTestThumb(const ScrollShown& shown, float length, float coordinate);

// Thumb start and end along the bar, in whole pixels.
struct ThumbSpan {
    int32_t start = 0;
    int32_t end = 0;
};
ThumbSpan ThumbSpanOf(const ScrollShown& shown, float length);

// The state to show for a target: thumb length = length x page / range.
ScrollShown ShownFor(const ScrollInfo& info, float length);

// A click before or after the thumb steps a tenth of the maximum (not a page).
float StepBefore(float position, const ScrollInfo& info);
float StepAfter(float position, const ScrollInfo& info);

// Dragging centres the thumb on the pointer; a vertical bar reaches one more
// position than a horizontal one, as the classic bars do.
float DragPosition(float coordinate, float thumbLength, float length, const ScrollInfo& info, bool vertical);

} // namespace quorvane
