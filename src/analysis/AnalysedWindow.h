#pragma once

#include "analysis/BinFrequency.h"
#include "analysis/MagnitudeSpectrum.h"

#include <cstdint>

namespace dravik {

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
