#pragma once

#include "audio/IOscillator.h"

#include <array>
#include <cstdint>
#include <vector>

namespace dravik {

// A sine oscillator that renders phase-continuous stretches of samples into a
// buffer of its own, reused from call to call. Samples come from a rotating
// unit vector restarted from the library's sin and cos every 1024
// samples, across block boundaries while the increment stays: within 1e-12
// of sin(2 pi phase) * amplitude, without a libm call per sample or per block.
class BlockOscillator final : public IOscillator {
public:
    explicit BlockOscillator(OscillatorParams_t params);

    void setPhase(double phase) override;
    // blockSize * blockCount samples; the increment frequency / sampleRate is
    // read afresh at the start of every block. The phase is left in [0, 1).
    // A block whose increment or phase is not finite (sampleRate 0, non-finite
    // settings) holds the phase, so every sample of it is
    // sin(2 pi phase) * amplitude.
    SampleBlock render(std::uint32_t blockSize, std::uint32_t blockCount) override;
    // The same samples written to out, or added onto sum (blockSize *
    // blockCount of them), so a mix of several generators needs no copies.
    void renderTo(double* out, std::uint32_t blockSize, std::uint32_t blockCount);
    void renderAdding(double* sum, std::uint32_t blockSize, std::uint32_t blockCount);
    OscillatorParams_t* params() override;
    const OscillatorParams_t* params() const { return &settings; }

private:
    static constexpr std::uint32_t lanes = 8; // samples advanced by one rotation step

    // The lanes' offsets and the step for an increment in [0, 1); kept until it changes.
    void prepareRotation(double increment);
    template <bool Adding>
    void renderBlocks(double* out, std::uint32_t blockSize, std::uint32_t blockCount);
    template <bool Adding>
    void renderBlock(double* out, std::uint32_t count, double phase, double increment);

    OscillatorParams_t settings;
    std::vector<double> blockBuffer;
    double rotationIncrement = -1.0; // none prepared yet
    std::array<double, lanes> laneCos{};
    std::array<double, lanes> laneSin{};
    double stepCos = 1.0;
    double stepSin = 0.0;
    // The rotating vector at the end of the last block, carried into the next
    // while its run has samples left and the next block starts at
    // carriedPhase with the same increment.
    double carriedPhase = 0.0;
    double carriedSin = 0.0;
    double carriedCos = 1.0;
    std::uint32_t carriedRunLeft = 0; // 0: the next block restarts
};

} // namespace dravik
