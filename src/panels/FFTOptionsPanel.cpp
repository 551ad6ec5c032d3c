#include "panels/FFTOptionsPanel.h"

#include "analysis/FFTSettings.h"
#include "panels/SettingWidgets.h"

#include <imgui.h>

#include <cmath>

namespace dravik {

namespace {
constexpr const Setting_t<FFTParams_t>& windowSizeSetting = settingOf(fftSettings, "window_size");
constexpr const Setting_t<FFTParams_t>& blockSizeSetting = settingOf(fftSettings, "block_size");
} // namespace

const std::int32_t fftSizeItemCount = sizeItemCount(windowSizeSetting.slider);

std::uint32_t windowSizeOfItem(std::int32_t index)
{
    return sizeOfItem(windowSizeSetting.slider, index);
}

std::uint32_t blockSizeOfItem(std::int32_t index)
{
    return sizeOfItem(blockSizeSetting.slider, index);
}

OverlapValue_t overlappingBlocks(const FFTParams_t& params)
{
    const float overlap = static_cast<float>(blocksPerWindow(params)) * (1.0f - params.hopRate);
    // Truncation is defined only within the 32-bit range.
    if (!(std::isfinite(overlap) && overlap > -2147483649.0f && overlap < 2147483648.0f))
        return {false, 0};
    return {true, static_cast<std::int32_t>(overlap)};
}

bool drawFFTOptions(FFTParams_t& params, double sampleRate)
{
    if (!ImGui::TreeNode("FFT Options"))
        return false;
    bool changed = false;
    // Every widget reads its value from the settings, so nothing else keeps a
    // copy of them. The panel has no tooltips.
    for (const Setting_t<FFTParams_t>& setting : fftSettings)
        changed |= drawSetting(setting, params, Tooltip::Hidden);
    ImGui::LabelText("FFT Bin size ", "%0.2f", sampleRate / params.windowSize);
    const OverlapValue_t overlap = overlappingBlocks(params);
    if (overlap.valid)
        ImGui::LabelText("Overlapping Blocks ", "%d", overlap.blocks);
    else
        ImGui::LabelText("Overlapping Blocks ", "-");
    ImGui::TreePop();
    return changed;
}

} // namespace dravik
