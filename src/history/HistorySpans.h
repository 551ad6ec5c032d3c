#pragma once

#include <array>

namespace dravik {

// The time spans the history can show, in seconds, and the one it starts with.
// The history view and the saved session both check a span against this list.
inline constexpr std::array<float, 3> historySpans{5.f, 10.f, 30.f};
inline constexpr float defaultHistorySpan = historySpans[1];

} // namespace dravik
