#include "output/NoteOutputs.h"

#include "midi/RtMidiPort.h"
#include "midifile/RecordingPlace.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>

namespace dravik {

NoteOutputs::NoteOutputs(const AnalysisEngine& engine)
    : engine(engine)
{
}

void NoteOutputs::send(NoteEventView events)
{
    recorder.add(events);
    if (midiSender)
        midiSender->send(events);
}

void NoteOutputs::saveBeforeExit()
{
    if (recorder.recording())
        stopRecording();
    else if (recorder.unsaved())
        saveRecordingAgain();
}

void NoteOutputs::startRecording()
{
    recordPath = defaultRecordingPath();
    recorder.start(engine.seconds(), engine.activeNotes());
    recordMessage = "Recording to " + recordPath;
}

void NoteOutputs::stopRecording()
{
    std::string message;
    if (recorder.stop(engine.seconds(), engine.activeNotes(), recordPath, message)) {
        recordMessage = "Saved " + recordPath;
    } else if (recorder.unsaved()) {
        saveRecordingElsewhere(message);
    } else {
        recordMessage = message;
        std::cerr << "Dravik: " << message << '\n';
    }
}

void NoteOutputs::saveRecordingAgain()
{
    std::string message;
    if (recorder.save(recordPath, message))
        recordMessage = "Saved " + recordPath;
    else if (recorder.unsaved())
        saveRecordingElsewhere(message);
}

void NoteOutputs::discardRecording()
{
    recorder.discard();
    recordMessage = "The recording was discarded";
}

void NoteOutputs::saveRecordingElsewhere(const std::string& problem)
{
    const std::filesystem::path name = std::filesystem::path(recordPath).filename();
    std::string lastProblem;
    for (const std::filesystem::path& folder :
         recordingFallbackFolders(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::string fallback = (folder / name).lexically_normal().string();
        if (fallback == recordPath)
            continue;
        std::string message;
        if (!error && recorder.save(fallback, message)) {
            recordPath = fallback;
            recordMessage = problem + "; saved to " + fallback + " instead";
            std::cerr << "Dravik: " << recordMessage << '\n';
            return;
        }
        lastProblem = error ? "cannot create " + folder.string() + " (" + error.message() + ")" : message;
    }
    recordMessage = problem + "; " + lastProblem + "; the notes are kept: \"Save Again\" tries once more";
    std::cerr << "Dravik: " << recordMessage << '\n';
}

void NoteOutputs::useMidiPort(std::unique_ptr<IMidiPort> port)
{
    midiSender.reset();
    midiPort = std::move(port);
}

void NoteOutputs::setMidiOut(bool on)
{
    if (!on) {
        if (midiSender)
            midiSender->allOff();
        midiSender.reset();
        return;
    }
    if (midiSender)
        return;
    if (!midiPort) {
        midiPort = RtMidiPort::open(midiText);
        if (!midiPort) {
            std::cerr << "Dravik: " << midiText << '\n';
            return;
        }
    }
    midiText.clear();
    midiSender = std::make_unique<MidiNoteSender>(*midiPort);
    midiSender->setChannel(midiChannelNumber);
    // Notes already sounding start now.
    for (const ActiveNote_t& note : engine.activeNotes()) {
        const NoteEvent_t on{engine.seconds(), note.note, note.velocity};
        midiSender->send({&on, 1});
    }
}

void NoteOutputs::setMidiChannel(std::int32_t channel)
{
    if (channel < 1 || channel > 16)
        return;
    midiChannelNumber = channel;
    if (midiSender)
        midiSender->setChannel(channel);
}

std::string defaultRecordingPath()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[64];
    std::strftime(name, sizeof name, "dravik-%Y%m%d-%H%M%S.mid", &local);
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/" + name : std::string(name);
}

} // namespace dravik
