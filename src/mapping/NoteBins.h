#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/MapperParams.h"
#include "shared/NoteFrequency.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace dravik {

// Conversions between frequencies and FFT bins, and the output handling,
// shared by the mappers.

// Hz per bin; see isUsableSpacing for records that give none (fftSize 0,
// a sample rate that is not finite and positive).
inline double binSpacing(double sampleRate, std::uint32_t fftSize)
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
inline std::int32_t nearestBin(double position)
{
    constexpr std::int32_t maxIndex = std::numeric_limits<std::int32_t>::max();
    if (!(position > -0.5))
        return -1;
    if (position >= static_cast<double>(maxIndex))
        return maxIndex;
    return static_cast<std::int32_t>(std::lround(position));
}

// The spectrum's bin count as a signed 32-bit value.
inline std::int32_t binCount(MagnitudeSpectrum spectrum)
{
    constexpr auto maxCount = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(spectrum.count < maxCount ? spectrum.count : maxCount);
}

// Empties a mapper's output for a new call, keeping room for one element per
// note of the record's range so appending never reallocates.
inline void resetNoteOutput(std::vector<NoteEnergy>& output, const MapperParams_t& params)
{
    // 64-bit: typed extremes of the range must not overflow.
    const std::int64_t noteCount = std::int64_t{params.highNote} - params.lowNote + 1;
    if (noteCount > 0)
        output.reserve(static_cast<std::size_t>(noteCount));
    output.clear();
}

} // namespace dravik
