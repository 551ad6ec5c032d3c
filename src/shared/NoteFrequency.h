#pragma once

#include <cmath>
#include <cstdint>

namespace dravik {

// Frequency of a MIDI note, note 69 sounding at referenceFrequency. The ratio
// is computed in 32-bit floats (powf of the float quotient), as everywhere in
// the program: bin choices at rounding boundaries depend on these exact values.
inline double noteFrequency(std::int32_t note, double referenceFrequency)
{
    const float ratio = std::pow(2.0f, static_cast<float>(note - 69) / 12.0f);
    return static_cast<double>(ratio) * referenceFrequency;
}

} // namespace dravik
