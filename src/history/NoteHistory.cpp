#include "history/NoteHistory.h"

#include "analysis/NoteReading.h"

#include <algorithm>
#include <cstdio>

namespace dravik {

NoteHistory::NoteHistory(std::size_t capacity)
    : bars(std::max<std::size_t>(capacity, 1))
{
    std::fill(std::begin(openSlot), std::end(openSlot), -1);
}

void NoteHistory::add(NoteEventView events, double clockOffset)
{
    for (const NoteEvent_t& event : events) {
        if (event.note >= 128)
            continue;
        const double seconds = event.timeSeconds + clockOffset;
        if (event.velocity == 0)
            close(event.note, seconds);
        else
            open(event, seconds);
    }
}

void NoteHistory::open(const NoteEvent_t& event, double seconds)
{
    close(event.note, seconds);
    std::size_t slot = 0;
    if (count < bars.size()) {
        slot = (first + count) % bars.size();
        ++count;
    } else {
        // The oldest bar goes; if it was still sounding it is no longer open.
        slot = first;
        first = (first + 1) % bars.size();
        const NoteBar_t& gone = bars[slot];
        if (gone.sounding && openSlot[gone.note] == static_cast<std::int32_t>(slot))
            openSlot[gone.note] = -1;
    }
    NoteBar_t& bar = bars[slot];
    bar.note = event.note;
    bar.velocity = event.velocity;
    bar.sounding = true;
    bar.onsetSeconds = seconds;
    bar.offsetSeconds = seconds;
    const ReadoutText_t name = noteName(event.note);
    // Names are at most four characters ("C#-1"), well inside the field.
    std::snprintf(bar.name, sizeof bar.name, "%.7s", name.c_str());
    openSlot[event.note] = static_cast<std::int32_t>(slot);
}

void NoteHistory::close(std::uint8_t note, double seconds)
{
    const std::int32_t slot = openSlot[note];
    if (slot < 0)
        return;
    NoteBar_t& bar = bars[static_cast<std::size_t>(slot)];
    bar.sounding = false;
    bar.offsetSeconds = std::max(seconds, bar.onsetSeconds);
    openSlot[note] = -1;
}

void NoteHistory::clear()
{
    first = 0;
    count = 0;
    std::fill(std::begin(openSlot), std::end(openSlot), -1);
}

} // namespace dravik
