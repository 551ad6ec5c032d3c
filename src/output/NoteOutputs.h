#pragma once

#include "engine/AnalysisEngine.h"
#include "midi/IMidiPort.h"
#include "midi/MidiNoteSender.h"
#include "midifile/NoteRecorder.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dravik {

// Where the tracked notes go besides the displays: "Record" into a MIDI file
// and "MIDI Out" to the "Dravik" sequencer port. Times and the notes sounding
// come from the engine's clock. A recording is never lost: a file that cannot
// be written falls back to another folder, and failing that the notes are
// kept for "Save Again" or "Discard". Each failure is said in one line, in
// the panel and on stderr.
class NoteOutputs {
public:
    // The engine must outlive the outputs.
    explicit NoteOutputs(const AnalysisEngine& engine);

    // The events of the last frame, to the recording and MIDI out.
    void send(NoteEventView events);

    bool isRecording() const { return recorder.recording(); }
    // Records the tracked notes from now on, into recordingPath().
    void startRecording();
    // Ends the sounding notes and writes what was recorded to recordingPath();
    // the message names the file, or says in one line why it was not written.
    void stopRecording();
    // A stopped recording that no file could hold.
    bool hasUnsavedRecording() const { return recorder.unsaved(); }
    // Writes the unsaved recording to recordingPath(), else to the first
    // fallback folder that takes it (recordingFallbackFolders).
    void saveRecordingAgain();
    void discardRecording();
    // At exit: a recording running or unsaved is written, or said why not.
    void saveBeforeExit();
    const std::string& recordingMessage() const { return recordMessage; }
    // Where the next Stop writes: set by startRecording.
    const std::string& recordingPath() const { return recordPath; }
    void setRecordingPath(const std::string& path) { recordPath = path; }

    bool isMidiOutOn() const { return midiSender != nullptr; }
    // Sends the tracked notes to the "Dravik" sequencer port; without one,
    // says so in one line and stays off. Off ends the sounding notes.
    void setMidiOut(bool on);
    std::int32_t midiChannel() const { return midiChannelNumber; }
    // 1 to 16, others ignored; a change ends the notes sounding on the old one.
    void setMidiChannel(std::int32_t channel);
    const std::string& midiMessage() const { return midiText; }
    // MIDI out through this port instead of the system's (tests).
    void useMidiPort(std::unique_ptr<IMidiPort> port);

private:
    // After `problem` kept the recording from its file: the fallback folders
    // in turn; the message names the file written, or says the notes are kept.
    void saveRecordingElsewhere(const std::string& problem);

    const AnalysisEngine& engine;
    NoteRecorder recorder;
    std::string recordPath;
    std::string recordMessage;
    std::unique_ptr<IMidiPort> midiPort;
    std::unique_ptr<MidiNoteSender> midiSender;
    std::int32_t midiChannelNumber = 1;
    std::string midiText;
};

// A new recording's file: ~/dravik-YYYYMMDD-HHMMSS.mid (the current folder
// without a home).
std::string defaultRecordingPath();

} // namespace dravik
