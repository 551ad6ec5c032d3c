#include "audio/BlockOscillator.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

constexpr double pi = 3.141592653589793;

// Samples rendered from one exact sine and cosine before the next restart:
// the rotation's rounding stays far below 1e-12 over a run.
constexpr std::uint32_t runLength = 1024;

// x reduced to [0, 1); the sine of a phase is unchanged by whole cycles.
double wrapped(double x)
{
    const double reduced = x - std::floor(x);
    return reduced < 1.0 ? reduced : 0.0;
}

} // namespace

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

void BlockOscillator::prepareRotation(double increment)
{
    if (increment == rotationIncrement)
        return;
    rotationIncrement = increment;
    carriedRunLeft = 0;
    for (std::uint32_t j = 0; j < lanes; ++j) {
        const double angle = 2.0 * pi * wrapped(increment * j);
        laneCos[j] = std::cos(angle);
        laneSin[j] = std::sin(angle);
    }
    const double laneStep = 2.0 * pi * wrapped(increment * lanes);
    stepCos = std::cos(laneStep);
    stepSin = std::sin(laneStep);
}

template <bool Adding>
void BlockOscillator::renderBlock(double* out, std::uint32_t count, double phase, double increment)
{
    const auto put = [](double* sample, double value) {
        if constexpr (Adding)
            *sample += value;
        else
            *sample = value;
    };
    const double amplitude = settings.amplitude;
    // Local copies: out might alias the members, which would make the
    // compiler reload them after every store instead of keeping them in
    // registers.
    const std::array<double, lanes> cosines = laneCos;
    const std::array<double, lanes> sines = laneSin;
    const double rotateCos = stepCos;
    const double rotateSin = stepSin;
    // The last block's vector runs on when this block continues its phase.
    const bool carried = carriedRunLeft != 0 && phase == carriedPhase;
    double s = carriedSin;
    double c = carriedCos;
    std::uint32_t runLeft = carried ? carriedRunLeft : 0;
    // A run starts from the exact phase at its first sample, so runs never drift.
    const auto restartAt = [&](std::uint32_t first) {
        const double runPhase = wrapped(phase + wrapped(increment * first));
        s = std::sin((runPhase + runPhase) * pi);
        c = std::cos((runPhase + runPhase) * pi);
        runLeft = runLength;
    };
    std::uint32_t i = 0;
    while (i + lanes <= count) {
        if (runLeft == 0)
            restartAt(i);
        const std::uint32_t end = i + std::min(runLeft, (count - i) / lanes * lanes);
        runLeft -= end - i;
        for (; i < end; i += lanes) {
            // sin(a + b) = sin a cos b + cos a sin b, for the lanes' offsets b.
            double* lane = out + i;
            for (std::uint32_t j = 0; j < lanes; ++j)
                put(lane + j, (s * cosines[j] + c * sines[j]) * amplitude);
            const double nextSin = s * rotateCos + c * rotateSin;
            c = c * rotateCos - s * rotateSin;
            s = nextSin;
        }
    }
    carriedRunLeft = 0;
    if (i < count) {
        // A block that is no whole number of lane steps hands nothing on.
        if (runLeft == 0)
            restartAt(i);
        for (std::uint32_t j = 0; i < count; ++i, ++j)
            put(out + i, (s * cosines[j] + c * sines[j]) * amplitude);
        return;
    }
    carriedSin = s;
    carriedCos = c;
    carriedRunLeft = runLeft;
    carriedPhase = wrapped(phase + wrapped(increment * count));
}

SampleBlock BlockOscillator::render(std::uint32_t blockSize, std::uint32_t blockCount)
{
    // Formed in 64 bits: a 32-bit product could wrap and leave the buffer
    // shorter than the blocks written into it.
    const std::uint64_t total = std::uint64_t{blockSize} * blockCount;
    blockBuffer.resize(total);
    renderBlocks<false>(blockBuffer.data(), blockSize, blockCount);
    return {blockBuffer.data(), total};
}

void BlockOscillator::renderTo(double* out, std::uint32_t blockSize, std::uint32_t blockCount)
{
    renderBlocks<false>(out, blockSize, blockCount);
}

void BlockOscillator::renderAdding(double* sum, std::uint32_t blockSize, std::uint32_t blockCount)
{
    renderBlocks<true>(sum, blockSize, blockCount);
}

template <bool Adding>
void BlockOscillator::renderBlocks(double* out, std::uint32_t blockSize, std::uint32_t blockCount)
{
    for (std::uint32_t b = 0; b < blockCount; ++b, out += blockSize) {
        const double cycles = settings.frequency / settings.sampleRate;
        // A sample rate of 0 or a non-finite setting has no pitch: such a
        // block holds the phase. Whole cycles per sample change no sample, so
        // the increment and the phase are kept within [0, 1): however large a
        // typed frequency was, a later sane one sounds again.
        const bool holds = !std::isfinite(cycles) || !std::isfinite(settings.phase);
        const double increment = holds ? 0.0 : wrapped(cycles);
        const double phase = std::isfinite(settings.phase) ? wrapped(settings.phase) : settings.phase;
        prepareRotation(increment);
        if (holds)
            carriedRunLeft = 0;
        renderBlock<Adding>(out, blockSize, phase, increment);
        settings.phase = holds ? settings.phase : wrapped(phase + wrapped(increment * blockSize));
    }
}

} // namespace dravik
