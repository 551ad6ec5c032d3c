#pragma once

#include "shared/ArrayView.h"

#include <cstdint>

namespace dravik {

// Settings of one sine oscillator; edited in place between renders.
struct OscillatorParams_t {
    double frequency;  // Hz
    double sampleRate; // samples per second
    double phase;      // position in the cycle, in cycles
    double amplitude;  // peak value of the output
};

// Mono 64-bit samples rendered by an oscillator into its own buffer; valid
// until that oscillator's next render.
using SampleBlock = ArrayView<double>;

class IOscillator {
public:
    virtual ~IOscillator() = default;
    virtual void setPhase(double phase) = 0;
    // Renders blockSize * blockCount consecutive samples, continuing the phase.
    virtual SampleBlock render(std::uint32_t blockSize, std::uint32_t blockCount) = 0;
    virtual OscillatorParams_t* params() = 0;
};

} // namespace dravik
