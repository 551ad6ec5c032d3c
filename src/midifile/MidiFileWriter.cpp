#include "midifile/MidiFileWriter.h"

#include <smf.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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
    // libsmf reports only that it failed; opening the file first names the
    // reason (no such folder, no permission) in the message.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        message = "cannot write the MIDI file " + path + " (" + std::strerror(errno) + ")";
        return false;
    }
    ::close(fd);
    errno = 0;
    if (smf_save(smf->file, path.c_str()) != 0) {
        const int error = errno;
        message = "cannot write the MIDI file " + path + " (" +
                  (error != 0 ? std::strerror(error) : "the MIDI library could not write it") + ")";
        return false;
    }
    return true;
}

} // namespace dravik
