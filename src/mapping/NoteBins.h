#pragma once

#include "analysis/BinFrequency.h"
#include "analysis/MagnitudeSpectrum.h"
#include "mapping/MapperParams.h"
#include "shared/NoteFrequency.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace dravik {

// The spectrum and output handling shared by the mappers.

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
