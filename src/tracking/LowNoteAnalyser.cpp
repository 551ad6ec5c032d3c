#include "tracking/LowNoteAnalyser.h"

#include "shared/NoteFrequency.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

std::uint64_t blocksIn(std::uint32_t windowSize, std::uint32_t blockSize)
{
    return blockSize != 0 && windowSize % blockSize == 0 ? windowSize / blockSize : 0;
}

} // namespace

LowNoteAnalyser::LowNoteAnalyser(std::uint32_t windowSize, std::uint32_t blockSize)
    : ring(blockSize, blocksIn(windowSize, blockSize), 1.0f)
    , blocksNeeded(blocksIn(windowSize, blockSize))
{
    const std::uint64_t n = ring.window().count;
    window.resize(n);
    frame.resize(n);
    constexpr double pi = 3.14159265358979323846;
    for (std::uint64_t i = 0; i < n; ++i) {
        window[i] = n > 1 ? 0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(i) / static_cast<double>(n - 1)) : 1.0;
        windowSum += window[i];
    }
}

bool LowNoteAnalyser::pushBlock(const double* samples, std::uint64_t count)
{
    if (!ring.push(samples, count))
        return false;
    pushed = std::min(pushed + 1, blocksNeeded);
    return true;
}

void LowNoteAnalyser::reset()
{
    ring.reset();
    pushed = 0;
}

ArrayView<double> LowNoteAnalyser::compute(const NoteTrackerParams_t& params)
{
    if (blocksNeeded == 0 || pushed < blocksNeeded || windowSum <= 0.0 || !(params.sampleRate > 0.0))
        return {};
    const ArrayView<double> samples = ring.window();
    const std::size_t n = frame.size();
    for (std::size_t i = 0; i < n; ++i)
        frame[i] = samples[i] * window[i];

    amplitudes.fill(0.0);
    constexpr double pi = 3.14159265358979323846;
    const std::int32_t first = std::clamp(params.lowNote, 0, noteCount);
    const std::int32_t end = std::clamp(params.splitNote, first, noteCount);
    for (std::int32_t note = first; note < end; ++note) {
        const double f = noteFrequency(note, params.referenceFrequency);
        if (f >= 0.5 * params.sampleRate)
            break;
        const double coefficient = 2.0 * std::cos(2.0 * pi * f / params.sampleRate);
        double s1 = 0.0;
        double s2 = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double s = frame[i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        const double power = std::max(0.0, s1 * s1 + s2 * s2 - coefficient * s1 * s2);
        amplitudes[static_cast<std::size_t>(note)] = 2.0 * std::sqrt(power) / windowSum;
    }
    return {amplitudes.data(), amplitudes.size()};
}

} // namespace dravik
