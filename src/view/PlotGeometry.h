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

// How power runs up the plot: linearly from 0 to 1, or in decibels.
enum class PowerScale : std::uint8_t { Linear, Decibels };

// The decibel scale: the floor on the plot's bottom edge, the top on its top
// edge, a labelled line every step. The top leaves room above full scale: a
// full-scale sine reads up to about +5 dB through the Blackman window.
namespace decibelscale {
inline constexpr double floor = -100.0;
inline constexpr double top = 20.0;
inline constexpr double step = 20.0;
} // namespace decibelscale

// Share of the plot's height a power fills on the given scale, within [0, 1].
float plotLevel(double power, PowerScale scale);

// What lies under a point of the plot.
struct CursorReading_t {
    bool overPlot;    // false outside the plot's frame: nothing else is set
    double frequency; // Hz under the point
    bool hasLevel;    // a spectrum is shown: power is that of the bin drawn nearest the point
    double power;
};

} // namespace dravik
