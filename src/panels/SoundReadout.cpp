#include "panels/SoundReadout.h"

#include <imgui.h>

namespace dravik {

void soundReadout(double outputGain, std::uint64_t underruns)
{
    if (outputGain < 1.0)
        ImGui::Text("Output gain: %.2f (clipping prevented)", outputGain);
    else
        ImGui::Text("Output gain: 1.00");
    ImGui::Text("Audio underruns: %llu", static_cast<unsigned long long>(underruns));
}

} // namespace dravik
