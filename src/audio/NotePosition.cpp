#include "audio/NotePosition.h"

#include "shared/NoteFrequency.h"

#include <cmath>

namespace dravik {

NotePosition_t notePosition(double frequency)
{
    // 0 Hz and below, inf and NaN have no note; every other double lies
    // within a few thousand notes of 69, well inside 32 bits.
    const double exact = 69.0 + 12.0 * std::log2(frequency / 440.0);
    if (!std::isfinite(exact))
        return {false, 0, 0.0, 0.0, 0.0};
    const auto note = static_cast<std::int32_t>(exact);
    const double low = noteFrequency(note, 440.0);
    const double high = noteFrequency(note + 1, 440.0);
    return {true, note, low, high, (frequency - low) / (high - low) * 100.0};
}

} // namespace dravik
