#include "app/PanelValues.h"

#include <cmath>

namespace dravik {

namespace {

// A truncation toward zero that fits a signed 32-bit integer: |x| < 2^31.
bool fitsInt32(double x)
{
    return std::isfinite(x) && x > -2147483649.0 && x < 2147483648.0;
}

double noteFrequency(std::int32_t note)
{
    // Exponent as a 32-bit quotient and a 32-bit power, widened for the product.
    const float exponent = static_cast<float>(note - 69) / 12.0f;
    return static_cast<double>(std::pow(2.0f, exponent)) * 440.0;
}

} // namespace

NotePosition_t notePosition(double frequency)
{
    // 0 Hz and below, inf and NaN have no note; every other double lies
    // within a few thousand notes of 69.
    const double exact = 69.0 + 12.0 * std::log2(frequency / 440.0);
    if (!fitsInt32(exact))
        return {false, 0, 0.0, 0.0, 0.0};
    const auto note = static_cast<std::int32_t>(exact);
    const double low = noteFrequency(note);
    const double high = noteFrequency(note + 1);
    return {true, note, low, high, (frequency - low) / (high - low) * 100.0};
}

OverlapValue_t overlappingBlocks(const FFTParams_t& params)
{
    const std::uint32_t blockCount = params.blockSize != 0 ? params.windowSize / params.blockSize : 0;
    const float overlap = static_cast<float>(blockCount) * (1.0f - params.hopRate);
    if (!fitsInt32(overlap))
        return {false, 0};
    return {true, static_cast<std::int32_t>(overlap)};
}

bool isUsableSampleRate(double sampleRate)
{
    return std::isfinite(sampleRate) && sampleRate > 0.0;
}

} // namespace dravik
