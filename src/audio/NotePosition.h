#pragma once

#include <cstdint>

namespace dravik {

// Where a frequency lies among the MIDI notes, as the generator panel's "Midi"
// and "Freq" labels show it: 69 + 12 log2(f / 440) truncated toward zero, and
// the position between that note and the next, in percent.
struct NotePosition_t {
    bool valid; // false when the frequency has no note (0 Hz or below, inf, NaN)
    std::int32_t note;
    double low;     // Hz of note
    double high;    // Hz of note + 1
    double percent; // (frequency - low) / (high - low) * 100
};

NotePosition_t notePosition(double frequency);

} // namespace dravik
