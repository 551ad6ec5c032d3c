#pragma once

#include "analysis/BinFrequency.h"

#include <cstdint>

namespace dravik {

// Inclusive range of the bins a spectrum curve shows.
struct BinRange_t {
    std::uint64_t first;
    std::uint64_t last;
};

// Bins drawn from a spectrum of binCount > 0 bins: all of them, or with
// limitToRange (and a usable fftSize and sampleRate) those between the two
// frequencies, clamped to the last bin and put in order.
BinRange_t drawnBinRange(std::uint64_t binCount, bool limitToRange, double minFrequency, double maxFrequency,
                         std::uint64_t fftSize, double sampleRate);

// Share of the plot's height a bin's power fills: clamped to [0, 1], NaN as 0.
float powerLevel(double power);

} // namespace dravik
