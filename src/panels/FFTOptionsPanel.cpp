#include "panels/FFTOptionsPanel.h"

#include "panels/Widgets.h"

#include <imgui.h>

namespace dravik {

namespace {

// The combo item showing a size of 4096 << i or 64 << i; -1 for a size no item shows.
int itemOfSize(std::uint32_t size, std::uint32_t (*sizeOfItem)(std::int32_t))
{
    for (std::int32_t i = 0; i < fftSizeItemCount; ++i) {
        if (sizeOfItem(i) == size)
            return i;
    }
    return -1;
}

} // namespace

bool drawFFTOptions(FFTParams_t& params, double sampleRate)
{
    static const char* const windowTypes[] = {"None", "Hann", "Hamming", "Blackman"};
    static const char* const windowSizes[] = {"4096", "8192", "16384", "32768", "65536", "131072", "262144"};
    static const char* const blockSizes[] = {"64", "128", "256", "512", "1024", "2048", "4096"};

    if (!ImGui::TreeNode("FFT Options"))
        return false;
    bool changed = false;
    // The items are read from the settings, so nothing else keeps a copy of them.
    int windowType = static_cast<int>(params.windowingType);
    if (ImGui::Combo("Windowing Type", &windowType, windowTypes, 4, -1)) {
        params.windowingType = static_cast<WindowingType>(static_cast<std::uint8_t>(windowType));
        changed = true;
    }
    changed |= sliderFloat("FFT Hop Rate##1", params.hopRate, 0.0, 1.0, TypedRange_t{0.0, 1.0});
    int windowItem = itemOfSize(params.windowSize, windowSizeOfItem);
    if (ImGui::Combo("FFT Window Sizes", &windowItem, windowSizes, fftSizeItemCount, -1)) {
        params.windowSize = windowSizeOfItem(windowItem);
        changed = true;
    }
    int blockItem = itemOfSize(params.blockSize, blockSizeOfItem);
    if (ImGui::Combo("FFT Process Block Size", &blockItem, blockSizes, fftSizeItemCount, -1)) {
        params.blockSize = blockSizeOfItem(blockItem);
        changed = true;
    }
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
