#pragma once

#include "audio/IOscillator.h"

#include <cstdint>
#include <vector>

namespace dravik {

// A sine oscillator that renders phase-continuous stretches of samples into a
// buffer of its own, reused from call to call.
class BlockOscillator final : public IOscillator {
public:
    explicit BlockOscillator(OscillatorParams_t params);

    void setPhase(double phase) override;
    // blockSize * blockCount samples; the increment frequency / sampleRate is
    // read afresh at the start of every block. A block over which the phase
    // would not stay finite (sampleRate 0, non-finite settings) is rendered
    // with the phase held, so every sample of it is sin(2 pi phase) * amplitude.
    SampleBlock render(std::uint32_t blockSize, std::uint32_t blockCount) override;
    OscillatorParams_t* params() override;
    const OscillatorParams_t* params() const { return &settings; }

private:
    OscillatorParams_t settings;
    std::vector<double> blockBuffer;
};

} // namespace dravik
