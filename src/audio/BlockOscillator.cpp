#include "audio/BlockOscillator.h"

#include <cmath>

namespace dravik {

namespace {
constexpr double pi = 3.141592653589793;
}

BlockOscillator::BlockOscillator(OscillatorParams_t params)
    : settings(params)
{
}

void BlockOscillator::setPhase(double phase)
{
    settings.phase = phase;
}

OscillatorParams_t* BlockOscillator::params()
{
    return &settings;
}

SampleBlock BlockOscillator::render(std::uint32_t blockSize, std::uint32_t blockCount)
{
    // Formed in 64 bits: a 32-bit product could wrap and leave the buffer
    // shorter than the blocks written into it.
    const std::uint64_t total = std::uint64_t{blockSize} * blockCount;
    blockBuffer.resize(total);

    double* out = blockBuffer.data();
    for (std::uint32_t b = 0; b < blockCount; ++b, out += blockSize) {
        double increment = settings.frequency / settings.sampleRate;
        // A sample rate of 0 or a non-finite setting would leave the phase
        // inf or NaN for good; such a block holds it instead.
        if (!std::isfinite(settings.phase + increment * blockSize)) {
            increment = 0.0;
        }
        double p = settings.phase;
        for (std::uint32_t i = 0; i < blockSize; ++i) {
            out[i] = std::sin((p + p) * pi) * settings.amplitude;
            p += increment;
            if (p >= 1.0) {
                p -= 1.0;
            }
        }
        settings.phase = p;
    }
    return {blockBuffer.data(), total};
}

} // namespace dravik
