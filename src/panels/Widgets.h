#pragma once

namespace dravik {

// A slider over a 64-bit field: ImGui edits a 32-bit copy, which is widened
// and written back only when the slider reports a change, so a field nobody
// touches keeps its exact value. Returns that change.
bool sliderDouble(const char* label, double& field, float min, float max);

} // namespace dravik
