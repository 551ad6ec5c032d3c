#pragma once

#include "analysis/FFTParams.h"

#include <cstdint>

namespace dravik {

// Window and block sizes of the FFT options' combo items: 4096 << index and
// 64 << index, for the items 0 to 6 those combos offer; 0 for other indices.
extern const std::int32_t fftSizeItemCount;
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

// The "FFT Options" section of the main menu. Edits params (a copy of the
// analyser's settings) and returns true when any of its widgets changed them,
// so the caller builds one new analyser however many changed. sampleRate is
// only shown, as the bin size.
bool drawFFTOptions(FFTParams_t& params, double sampleRate);

} // namespace dravik
