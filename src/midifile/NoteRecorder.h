#pragma once

#include "midifile/MidiFileWriter.h"
#include "tracking/NoteEvent.h"

#include <memory>
#include <string>

namespace dravik {

// Records tracked note events from a start time on and writes them as a
// Standard MIDI File whose time 0 is that start.
// A recording whose file cannot be written is kept, so that it can be
// written elsewhere or later: it is never lost until discarded.
class NoteRecorder {
public:
    bool recording() const { return writer != nullptr && !stopped; }
    // A stopped recording that no file holds yet.
    bool unsaved() const { return writer != nullptr && stopped; }
    // Starts a new recording at nowSeconds of the tracker's clock; the notes
    // sounding then start with it.
    void start(double nowSeconds, ActiveNoteView sounding);
    // Adds events while recording; ignored otherwise.
    void add(NoteEventView events);
    // Ends the notes still sounding at nowSeconds and writes the file. Returns
    // false with a one-line message when nothing was recording or the file
    // could not be written; in the latter case the notes stay unsaved().
    bool stop(double nowSeconds, ActiveNoteView sounding, const std::string& path, std::string& message);
    // Writes an unsaved recording to path; on success it is done with.
    bool save(const std::string& path, std::string& message);
    // Drops an unsaved recording.
    void discard();

private:
    double fileTime(double seconds);

    std::unique_ptr<MidiFileWriter> writer;
    bool stopped = false;
    double startSeconds = 0.0;
    double lastSeconds = 0.0;
};

} // namespace dravik
