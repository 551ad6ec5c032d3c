#include "analysis/NoteReading.h"

#include <cmath>
#include <cstdio>

namespace dravik {

namespace {

const char* const stepNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

struct NoteParts {
    const char* step;
    std::int32_t octave;
};

NoteParts splitNote(std::int32_t note)
{
    // Floor division, so the notes below 0 continue the octaves downwards.
    const std::int32_t octave = (note >= 0 ? note / 12 : (note - 11) / 12) - 1;
    return {stepNames[note - 12 * (octave + 1)], octave};
}

} // namespace

NoteReading_t nearestNote(double frequency, double referenceFrequency)
{
    if (!(frequency > 0.0) || !std::isfinite(frequency) || !(referenceFrequency > 0.0) ||
        !std::isfinite(referenceFrequency))
        return {false, 0, 0.0};
    // A finite, positive ratio lies within about ±13000 notes: the number fits 32 bits.
    const double position = 69.0 + 12.0 * std::log2(frequency / referenceFrequency);
    if (!std::isfinite(position))
        return {false, 0, 0.0};
    const double note = std::round(position);
    return {true, static_cast<std::int32_t>(note), 100.0 * (position - note)};
}

ReadoutText_t noteName(std::int32_t note)
{
    const NoteParts parts = splitNote(note);
    ReadoutText_t out{};
    std::snprintf(out.text, sizeof out.text, "%s%d", parts.step, parts.octave);
    return out;
}

ReadoutText_t formatNoteReading(const NoteReading_t& reading)
{
    ReadoutText_t out{};
    if (!reading.valid) {
        std::snprintf(out.text, sizeof out.text, "-");
        return out;
    }
    // Rounded as a whole number, so a reading just below zero shows +0, not -0.
    const long cents = std::lround(reading.cents);
    const NoteParts parts = splitNote(reading.note);
    std::snprintf(out.text, sizeof out.text, "%s%d %+ld c", parts.step, parts.octave, cents);
    return out;
}

} // namespace dravik
