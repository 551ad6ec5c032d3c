#pragma once

#include "tracking/NoteEvent.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dravik {

// Collects note events and writes them as a Standard MIDI File (format 0, one
// track, the default tempo of 120 beats per minute) through libsmf.
class MidiFileWriter {
public:
    explicit MidiFileWriter(std::uint8_t channel = 0);
    ~MidiFileWriter();
    MidiFileWriter(const MidiFileWriter&) = delete;
    MidiFileWriter& operator=(const MidiFileWriter&) = delete;

    // Events must come in time order; a velocity of 0 ends the note.
    void add(const NoteEvent_t& event);
    void add(NoteEventView events);
    std::uint64_t eventCount() const { return count; }

    // The whole file's bytes; on failure returns false and says why in message.
    bool encode(std::string& bytes, std::string& message);
    // Writes the file; on failure returns false and sets message. A file
    // that could not be written whole is removed.
    bool save(const std::string& path, std::string& message);

private:
    struct Smf;
    std::unique_ptr<Smf> smf;
    std::uint8_t channel;
    std::uint64_t count = 0;
};

} // namespace dravik
