#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "analysis/Windowing.h"

#include <cstdint>

namespace dravik {

// Settings of an analyser; the analyser keeps its own copy.
struct FFTParams_t {
    std::uint32_t windowSize = 4096; // transform length in samples
    std::uint32_t blockSize = 128;   // samples per pushed block
    float hopRate = 0.5f;            // hop as a fraction of the window, used clamped to [0, 1]
    WindowingType windowingType = WindowingType::Hann;
};

// Turns a stream of fixed-size blocks into magnitude spectra, one per hop.
class IFFT {
public:
    virtual ~IFFT() = default;
    // True right after the push that completed a hop, until the next push.
    virtual bool isReady() const = 0;
    // Forgets every pushed block; the next spectrum needs a whole window again.
    virtual void reset() = 0;
    // Appends one block of blockSize samples; false, changing nothing, if refused.
    virtual bool pushBlock(const double* samples, std::uint64_t count) = 0;
    // The spectrum of the current window when ready, otherwise the empty view.
    // Valid until the next compute or the analyser's destruction.
    virtual MagnitudeSpectrum compute() = 0;
};

} // namespace dravik
