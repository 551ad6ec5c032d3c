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
    startSeconds = nowSeconds;
    lastSeconds = 0.0;
    for (const ActiveNote_t& note : sounding)
        writer->add(NoteEvent_t{0.0, note.note, note.velocity});
}

void NoteRecorder::add(NoteEventView events)
{
    if (!writer)
        return;
    for (const NoteEvent_t& event : events)
        writer->add(NoteEvent_t{fileTime(event.timeSeconds), event.note, event.velocity});
}

bool NoteRecorder::stop(double nowSeconds, ActiveNoteView sounding, const std::string& path, std::string& message)
{
    if (!writer) {
        message = "not recording";
        return false;
    }
    const double end = fileTime(nowSeconds);
    for (const ActiveNote_t& note : sounding)
        writer->add(NoteEvent_t{end, note.note, 0});
    const bool saved = writer->save(path, message);
    writer.reset();
    return saved;
}

} // namespace dravik
