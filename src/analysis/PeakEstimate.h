#pragma once

#include "analysis/MagnitudeSpectrum.h"

#include <cstdint>

namespace dravik {

// Where the vertex of the parabola through three equally spaced samples lies,
// in samples from the middle one: within [-0.5, 0.5], and 0 when the middle
// sample is not above both neighbours' parabola (flat, a dip, or not finite).
double parabolicOffset(double left, double centre, double right);

// The strongest component of a spectrum.
struct SpectrumPeak_t {
    bool valid;        // false for fewer than 3 bins, an unusable bin width, or nothing above silence
    std::uint64_t bin; // the strongest bin
    double frequency;  // Hz, refined between bins
    double power;      // of the strongest bin
};

// The strongest bin between DC and Nyquist (both left out: neither has two
// neighbours), moved by the vertex of the parabola through the logarithms of
// its and its neighbours' magnitudes. For the windows of the analyser the peak
// of a sine is close to a Gaussian, whose logarithm is exactly a parabola.
SpectrumPeak_t findSpectrumPeak(MagnitudeSpectrum spectrum, double binWidth);

// Power in decibels, 10 log10(power); powers at or below 1e-30 (and NaN) read -300 dB.
double powerDecibels(double power);

} // namespace dravik
