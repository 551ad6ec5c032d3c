#include "panels/Widgets.h"

#include <imgui.h>

#include <limits>

namespace dravik {

bool sliderDouble(const char* label, double& field, float min, float max)
{
    // Values beyond float range only arrive by typing; show them as infinities
    // rather than narrowing out of range.
    constexpr float maxFloat = std::numeric_limits<float>::max();
    constexpr float infinity = std::numeric_limits<float>::infinity();
    float copy = field > maxFloat ? infinity : field < -maxFloat ? -infinity : static_cast<float>(field);
    if (!ImGui::SliderFloat(label, &copy, min, max, "%.3f", 0))
        return false;
    field = copy;
    return true;
}

} // namespace dravik
