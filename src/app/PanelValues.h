#pragma once

#include "analysis/IFFT.h"

#include <cstdint>

namespace dravik {

// Where a frequency lies among the MIDI notes, for the generator panel's
// "Midi" and "Freq" labels: the note at or below it (truncated toward zero)
// and the position between that note and the next, in percent.
struct NotePosition_t {
    bool valid;          // false when the frequency has no note (0 Hz or below, inf, NaN, out of range)
    std::int32_t note;
    double low;          // Hz of note
    double high;         // Hz of note + 1
    double percent;      // (frequency - low) / (high - low) * 100
};

NotePosition_t notePosition(double frequency);

// The FFT options' "Overlapping Blocks " label: blocks per window times
// (1 - hopRate), in 32-bit float, truncated. valid is false when a typed hop
// rate makes the value non-finite or beyond a 32-bit integer.
struct OverlapValue_t {
    bool valid;
    std::int32_t blocks;
};

OverlapValue_t overlappingBlocks(const FFTParams_t& params);

// A synthesis sample rate the oscillators can use: positive and finite.
bool isUsableSampleRate(double sampleRate);

} // namespace dravik
