#pragma once

#include "analysis/FFTParams.h"
#include "analysis/MagnitudeSpectrum.h"

#include <cstdint>

namespace dravik {

// Turns a stream of fixed-size blocks into magnitude spectra, one per hop.
class IFFT {
public:
    virtual ~IFFT() = default;
    // True right after the push that completed a hop, until the next push.
    virtual bool isReady() const = 0;
    // Blocks to push until the next spectrum: what a source renders so that the
    // analysed stream stays one unbroken stretch. 0 when no block is accepted.
    virtual std::uint64_t blocksUntilReady() const = 0;
    // Forgets every pushed block; the next spectrum needs a whole window again.
    virtual void reset() = 0;
    // Appends one block of blockSize samples; false, changing nothing, if refused.
    virtual bool pushBlock(const double* samples, std::uint64_t count) = 0;
    // The spectrum of the current window when ready, otherwise the empty view.
    // Valid until the next compute or the analyser's destruction.
    virtual MagnitudeSpectrum compute() = 0;
};

} // namespace dravik
