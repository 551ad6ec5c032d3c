#pragma once

#include <cstdint>

namespace dravik {

// Where a typed value is clamped when it is committed. Dragging stays within
// the slider's own range; typing may go beyond it where that is meaningful
// (a frequency above the slider, an infinite cutoff).
struct TypedRange_t {
    double min;
    double max;
};

// Sliders over settings fields. Dragging applies at once. A value typed after
// Ctrl+click applies only when it is committed (Enter, or focus leaving),
// clamped to `typed`; Escape cancels, and a typed NaN leaves the field as it
// was. So typing "22050" never passes through 2, 22, 220 and 2205. Each
// returns true in the frame the field changed.
bool sliderDouble(const char* label, double& field, double min, double max, TypedRange_t typed,
                  const char* format = "%.3f");
bool sliderFloat(const char* label, float& field, double min, double max, TypedRange_t typed,
                 const char* format = "%.3f");
// Typed values are read as numbers, so 99999999999 clamps instead of wrapping.
bool sliderInt(const char* label, std::int32_t& field, std::int32_t min, std::int32_t max, TypedRange_t typed);

// The same with typed values clamped to the slider's own range.
inline bool sliderDouble(const char* label, double& field, double min, double max)
{
    return sliderDouble(label, field, min, max, TypedRange_t{min, max});
}

inline bool sliderInt(const char* label, std::int32_t& field, std::int32_t min, std::int32_t max)
{
    return sliderInt(label, field, min, max, TypedRange_t{static_cast<double>(min), static_cast<double>(max)});
}

// A read-only value with its label after it, as ImGui::LabelText draws it,
// but with the value's box widened to hold `widest` (the value itself when
// null), so no value runs under its label.
void labelValue(const char* label, const char* value, const char* widest = nullptr);

// A message that wraps at a panel's usual width instead of widening it.
void wrappedText(const char* text);

// A tooltip for the item drawn last, shown while the mouse rests on it;
// the text wraps at a readable width.
void tooltip(const char* text);

// The committed value of a typed entry: NaN is refused (false), anything else
// is clamped to the range.
bool commitTyped(double typed, TypedRange_t range, double& committed);

} // namespace dravik
