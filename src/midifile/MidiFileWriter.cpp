#include "midifile/MidiFileWriter.h"

#include <smf.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
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

namespace {

std::string failure(const std::string& path, const std::string& reason)
{
    return "cannot write the MIDI file " + path + " (" + reason + ")";
}

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

bool MidiFileWriter::encode(std::string& bytes, std::string& message)
{
    // libsmf writes files itself but reports only that it failed (its own
    // log line clobbers errno). So it writes into memory, and the file is
    // written by the caller, where every error keeps its reason.
    bytes.clear();
    const int memory = ::memfd_create("dravik-midi", MFD_CLOEXEC);
    if (memory < 0) {
        message = std::strerror(errno);
        return false;
    }
    const std::string memoryPath = "/proc/self/fd/" + std::to_string(memory);
    const bool encoded = smf_save(smf->file, memoryPath.c_str()) == 0;
    if (encoded) {
        ::lseek(memory, 0, SEEK_SET);
        char buffer[8192];
        for (ssize_t got; (got = ::read(memory, buffer, sizeof buffer)) != 0;) {
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                break;
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(memory);
    if (!encoded || bytes.empty()) {
        message = "the MIDI library could not encode the notes";
        return false;
    }
    return true;
}

bool MidiFileWriter::save(const std::string& path, std::string& message)
{
    std::string bytes;
    if (!encode(bytes, message)) {
        message = failure(path, message);
        return false;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        message = failure(path, std::strerror(errno));
        return false;
    }
    const bool written = writeAll(fd, bytes);
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (written && error == 0)
        return true;
    message = failure(path, std::strerror(error != 0 ? error : EIO));
    // A part of a file is no recording: only the whole one is kept.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        ::unlink(path.c_str());
    return false;
}

} // namespace dravik
