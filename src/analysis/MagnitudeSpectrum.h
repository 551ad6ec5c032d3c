#pragma once

#include "analysis/BinFrequency.h"
#include "shared/ArrayView.h"

#include <cstdint>

namespace dravik {

// One bin of a magnitude spectrum.
struct SpectrumBin {
    double magnitude; // single-sided amplitude, corrected by the window's coherent gain
    double power;     // magnitude squared over the squared RMS gain of the window
};

// windowSize / 2 + 1 bins from DC to Nyquist; bin k stands for
// k * sampleRate / windowSize Hz. Empty when no hop was complete.
using MagnitudeSpectrum = ArrayView<SpectrumBin>;

// One analysed window with the frame it was taken in: the rate and window
// length that give its bins their frequencies, and where it ends on the
// analysis clock. Whoever reads a spectrum takes its bin spacing from here,
// so no reader keeps a copy of the analysis settings that could lag behind.
struct Spectrum_t {
    MagnitudeSpectrum bins;       // windowSize / 2 + 1 bins, or none
    double sampleRate = 0.0;      // Hz of the analysed samples
    std::uint32_t windowSize = 0; // samples in the window
    double endSeconds = 0.0;      // analysis clock at the window's last sample

    bool empty() const { return bins.empty(); }
    // Hz between neighbouring bins; 0 when the frame is unknown.
    double binSpacing() const
    {
        const double spacing = dravik::binSpacing(sampleRate, windowSize);
        return isUsableSpacing(spacing) ? spacing : 0.0;
    }
};

} // namespace dravik
