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

// Window and block sizes of the FFT options' combo items: 4096 << index and
// 64 << index, for the items 0 to 6 those combos offer.
inline constexpr std::int32_t fftSizeItemCount = 7;
std::uint32_t windowSizeOfItem(std::int32_t index);
std::uint32_t blockSizeOfItem(std::int32_t index);

// The "Overlapping Blocks " value: blocks per window times (1 - hopRate), in
// 32-bit float, truncated. valid is false when a typed hop rate makes it
// non-finite or beyond a 32-bit integer.
struct OverlapValue_t {
    bool valid;
    std::int32_t blocks;
};

OverlapValue_t overlappingBlocks(const FFTParams_t& params);

} // namespace dravik
