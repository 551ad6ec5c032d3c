#pragma once

#include <cstdint>

namespace dravik {

// Nearest bin to a frequency (halfway cases away from zero); 0 when fftSize is
// 0, sampleRate is not above 0, or the frequency is negative or NaN; the
// largest index when the bin lies beyond the 64-bit range.
std::uint64_t binIndex(double frequency, std::uint64_t fftSize, double sampleRate);

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
