#pragma once

#include <cstdint>

namespace dravik {

// The tuning the readouts and the note row share: note 69 (A4) at 440 Hz.
inline constexpr double concertPitch = 440.0;

// The MIDI note nearest to a frequency and how far the frequency lies from it.
struct NoteReading_t {
    bool valid;        // false for 0 Hz or below, infinity, NaN, a reference that is not positive,
                       // or a ratio beyond the double range
    std::int32_t note; // 69 is A4, sounding at the reference frequency
    double cents;      // frequency relative to the note, from -50 to +50
};

NoteReading_t nearestNote(double frequency, double referenceFrequency = concertPitch);

// Short text held by value, so readouts are formatted without allocating.
struct ReadoutText_t {
    char text[64];
    const char* c_str() const { return text; }
};

// Sharps only, octave numbers as in "C4" for note 60: "A4", "C#4", "C-1", "G9".
ReadoutText_t noteName(std::int32_t note);

// "A4 +3 c", "C#2 -48 c", "A4 +0 c": the name with the cents rounded to whole
// cents; "-" when the reading is not valid.
ReadoutText_t formatNoteReading(const NoteReading_t& reading);

} // namespace dravik
