#include "midifile/NoteRecorder.h"

#include <algorithm>

namespace dravik {

double NoteRecorder::fileTime(double seconds)
{
    // Events keep their order even if the clock started over (new analysis settings).
    lastSeconds = std::max(lastSeconds, seconds - startSeconds);
    return lastSeconds;
}

void NoteRecorder::start(double nowSeconds, ActiveNoteView sounding)
{
    writer = std::make_unique<MidiFileWriter>();
    stopped = false;
    startSeconds = nowSeconds;
    lastSeconds = 0.0;
    for (const ActiveNote_t& note : sounding)
        writer->add(NoteEvent_t{0.0, note.note, note.velocity});
}

void NoteRecorder::add(NoteEventView events)
{
    if (!recording())
        return;
    for (const NoteEvent_t& event : events)
        writer->add(NoteEvent_t{fileTime(event.timeSeconds), event.note, event.velocity});
}

bool NoteRecorder::stop(double nowSeconds, ActiveNoteView sounding, const std::string& path, std::string& message)
{
    if (!recording()) {
        message = "not recording";
        return false;
    }
    const double end = fileTime(nowSeconds);
    for (const ActiveNote_t& note : sounding)
        writer->add(NoteEvent_t{end, note.note, 0});
    stopped = true;
    return save(path, message);
}

bool NoteRecorder::save(const std::string& path, std::string& message)
{
    if (!unsaved()) {
        message = "no recording to save";
        return false;
    }
    if (!writer->save(path, message))
        return false;
    discard();
    return true;
}

void NoteRecorder::discard()
{
    writer.reset();
    stopped = false;
}

} // namespace dravik
