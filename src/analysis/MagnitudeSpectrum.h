#pragma once

#include "shared/ArrayView.h"

namespace dravik {

// One bin of a magnitude spectrum.
struct SpectrumBin {
    double magnitude; // single-sided amplitude, corrected by the window's coherent gain
    double power;     // magnitude squared over the squared RMS gain of the window
};

// windowSize / 2 + 1 bins from DC to Nyquist; bin k stands for
// k * sampleRate / windowSize Hz. Empty when no hop was complete.
using MagnitudeSpectrum = ArrayView<SpectrumBin>;

} // namespace dravik
