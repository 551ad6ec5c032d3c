#include "midifile/MidiFileWriter.h"

#include <smf.h>

#include <algorithm>

namespace dravik {

struct MidiFileWriter::Smf {
    smf_t* file = nullptr;
    smf_track_t* track = nullptr;
};

MidiFileWriter::MidiFileWriter(std::uint8_t midiChannel)
    : smf(std::make_unique<Smf>())
    , channel(static_cast<std::uint8_t>(midiChannel & 0x0F))
{
    smf->file = smf_new();
    smf->track = smf_track_new();
    smf_add_track(smf->file, smf->track);
}

MidiFileWriter::~MidiFileWriter()
{
    // Deleting the file deletes its tracks and their events.
    smf_delete(smf->file);
}

void MidiFileWriter::add(const NoteEvent_t& event)
{
    const auto status = static_cast<std::uint8_t>((event.velocity > 0 ? 0x90 : 0x80) | channel);
    smf_event_t* midi = smf_event_new_from_bytes(status, event.note & 0x7F, event.velocity & 0x7F);
    if (midi == nullptr)
        return;
    smf_track_add_event_seconds(smf->track, midi, std::max(0.0, event.timeSeconds));
    ++count;
}

void MidiFileWriter::add(NoteEventView events)
{
    for (const NoteEvent_t& e : events)
        add(e);
}

bool MidiFileWriter::save(const std::string& path, std::string& message)
{
    if (smf_save(smf->file, path.c_str()) != 0) {
        message = "cannot write the MIDI file " + path;
        return false;
    }
    return true;
}

} // namespace dravik
