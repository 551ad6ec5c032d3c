#pragma once

#include "analysis/WindowingType.h"

#include <cstdint>

namespace dravik {

// Settings of an analyser; the analyser keeps its own copy.
struct FFTParams_t {
    std::uint32_t windowSize = 4096; // transform length in samples
    std::uint32_t blockSize = 128;   // samples per pushed block
    float hopRate = 0.5f;            // hop as a fraction of the window, used clamped to [0, 1]
    WindowingType windowingType = WindowingType::Hann;
};

// Blocks in one window: windowSize / blockSize, or 0 for blocks of 0 samples.
inline std::uint32_t blocksPerWindow(const FFTParams_t& params)
{
    return params.blockSize != 0 ? params.windowSize / params.blockSize : 0;
}

} // namespace dravik
