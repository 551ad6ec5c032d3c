#pragma once

#include "source/FileSource.h"
#include "source/GeneratorSource.h"
#include "source/ICaptureDevice.h"
#include "source/IFileOpener.h"
#include "source/IPlaybackOutput.h"
#include "source/ISignalSource.h"
#include "source/InputSource.h"
#include "source/RecentFiles.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

namespace dravik {

enum class SourceKind : std::uint8_t { Generators = 0, File = 1, Input = 2 };

// The file's transport keys: Space plays and pauses, Left and Right seek.
enum class TransportKey : std::uint8_t { PlayPause, Back, Forward };

// What a choice of source did: whether it was taken, and whether the
// analysed signal is new, so the analysis starts afresh at sampleRate.
struct SourceChange_t {
    bool done = false; // false: refused or failed, nothing changed (the message says why)
    bool analysisChanged = false;
    double sampleRate = 0.0;

    explicit operator bool() const { return done; }
};

// What the analysis listens to: the generators (the default), a sound file,
// or a capture device. Switching pauses the source left (its output fades)
// and refills the analyser from the new one; every choice returns what it
// changed. A failure is reported in one
// line, on the error stream and in the message of the source it is about
// (a file's in the file panel, a capture device's in the input panel), and
// changes nothing else.
class SourceStage {
public:
    // deviceOutput may be null (no sound device): files are then analysed silently.
    SourceStage(std::unique_ptr<IFileOpener> opener, std::unique_ptr<IPlaybackOutput> deviceOutput,
                std::unique_ptr<ICaptureDevice> capture, std::ostream& errors);

    SourceKind active() const { return kind; }
    // Input starts the chosen device (the default at first); when that fails
    // the active source stays.
    SourceChange_t select(SourceKind next);
    // Opens the file and makes it the active source, playing from the start.
    // On failure the current file, if any, and the active source stay.
    SourceChange_t openFile(const std::string& path);
    SourceChange_t selectInputDevice(const std::string& name);
    // The generators' sample rate; the analysis follows it while they are analysed.
    SourceChange_t setGeneratorRate(double rate);
    // Acts on the file while it is the active source; false when there is
    // nothing to act on.
    bool transportKey(TransportKey key);
    static constexpr double seekStepSeconds = 5.0;

    GeneratorSource& generators() { return generatorSource; }
    const GeneratorSource& generators() const { return generatorSource; }
    FileSource& file() { return fileSource; }
    const FileSource& file() const { return fileSource; }
    InputSource& input() { return inputSource; }
    const InputSource& input() const { return inputSource; }
    // The file that plays (or played last), and the path of the last open tried.
    const std::string& filePath() const { return openedPath; }
    const std::string& triedPath() const { return lastTried; }
    const RecentFiles& recentFiles() const { return recent; }
    // Puts a file at the top of the recent list without opening it.
    void rememberFile(const std::string& path) { recent.add(path); }

    // The source being analysed.
    ISignalSource& activeSource();
    // Hz of what is analysed.
    double sampleRate() const;

    // Once per frame: moves the sources on; `muted` silences file playback.
    void update(double elapsedSeconds, bool muted);
    // Stops the file's sound output at once, before an abrupt end of the process.
    void stopOutput();

    // The source the user works on, whose panel shows: the one selected or
    // tried last (a file that failed to open still shows the file panel).
    SourceKind shownPanel() const { return panel; }

    // The last failure about the file or the capture device, for their
    // panels; empty once what it said is no longer true.
    const std::string& message(SourceKind about) const
    {
        return about == SourceKind::Input ? inputMessage : fileMessage;
    }
    // The message of the panel shown.
    const std::string& message() const { return message(panel); }

private:
    void report(std::string& message, const std::string& text);
    void reportShortFile();
    void pauseFileFor(SourceKind shown);
    void leave(SourceKind old);
    SourceChange_t changed() const { return {true, true, sampleRate()}; }

    std::unique_ptr<IFileOpener> opener;
    std::unique_ptr<IPlaybackOutput> deviceOutput;
    std::unique_ptr<ICaptureDevice> capture;
    std::ostream& errors;
    GeneratorSource generatorSource;
    FileSource fileSource;
    InputSource inputSource;
    RecentFiles recent;
    std::string openedPath;
    std::string lastTried;
    std::string fileMessage;
    std::string inputMessage;
    bool shortFileReported = false;
    SourceKind kind = SourceKind::Generators;
    SourceKind panel = SourceKind::Generators;
    bool fileWasPlaying = false;
};

} // namespace dravik
