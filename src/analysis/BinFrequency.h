#pragma once

#include <cstdint>
#include <limits>

namespace dravik {

// Bins and Hz: bin k of an fftSize-point spectrum stands for
// k * sampleRate / fftSize Hz. Every conversion between the two lives here.

// Hz per bin; see isUsableSpacing for settings that give none (fftSize 0, a
// sample rate that is not finite and positive).
inline double binSpacing(double sampleRate, std::uint64_t fftSize)
{
    return sampleRate / static_cast<double>(fftSize);
}

inline bool isUsableSpacing(double spacing)
{
    return spacing > 0.0 && spacing < std::numeric_limits<double>::infinity();
}

// Nearest bin index to a fractional bin position, halves away from zero as
// lround. Positions beyond the 32-bit range saturate instead of overflowing;
// positions that round below 0, and NaN, give -1, which every caller reads as
// "below bin 0".
std::int32_t nearestBin(double position);

// Nearest bin to a frequency (halfway cases away from zero); 0 when fftSize is
// 0, sampleRate is not above 0, or the frequency is negative or NaN; the
// largest index when the bin lies beyond the 64-bit range.
std::uint64_t binIndex(double frequency, std::uint64_t fftSize, double sampleRate);

} // namespace dravik
