#pragma once

#include "tracking/NoteEvent.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dravik {

// One tracked note on the time line: from its onset to its offset, or still
// sounding (offset is then the onset and means nothing).
struct NoteBar_t {
    std::uint8_t note;
    std::uint8_t velocity;
    bool sounding;
    double onsetSeconds;
    double offsetSeconds;
    char name[8]; // "C#4": the note's name, made once at its onset
};

// The latest tracked notes as bars, oldest first, in a ring of fixed capacity
// sized at construction: when full, each new note replaces the oldest bar.
// Taking events allocates nothing.
class NoteHistory {
public:
    explicit NoteHistory(std::size_t capacity);

    // The tracker's events in time order, each time moved by clockOffset
    // seconds onto the history's own clock: an onset opens a bar, an offset
    // ends the open bar of its note. An offset without an open bar (its
    // onset already gone from the ring, or never seen) is ignored; an onset
    // for a note already open ends that bar first.
    void add(NoteEventView events, double clockOffset = 0.0);
    // Forgets every bar.
    void clear();

    std::size_t size() const { return count; }
    std::size_t capacity() const { return bars.size(); }
    // i-th bar, 0 the oldest kept.
    const NoteBar_t& operator[](std::size_t i) const { return bars[(first + i) % bars.size()]; }

private:
    void open(const NoteEvent_t& event, double seconds);
    void close(std::uint8_t note, double seconds);

    std::vector<NoteBar_t> bars;
    std::size_t first = 0;
    std::size_t count = 0;
    // Ring slot of each note's open bar, or -1; by MIDI note.
    std::int32_t openSlot[128];
};

} // namespace dravik
