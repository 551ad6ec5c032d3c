#pragma once

#include "source/FileSource.h"
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

// What the analysis listens to: the generators (the default), a sound file,
// or a capture device. Switching pauses the source left (its output fades)
// and refills the analyser from the new one. A failure is reported in one
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
    bool select(SourceKind next);
    // Opens the file and makes it the active source, playing from the start.
    // On failure the current file, if any, and the active source stay.
    bool openFile(const std::string& path);
    bool selectInputDevice(const std::string& name);
    // Acts on the file while it is the active source; false when there is
    // nothing to act on.
    bool transportKey(TransportKey key);
    static constexpr double seekStepSeconds = 5.0;

    FileSource& file() { return fileSource; }
    const FileSource& file() const { return fileSource; }
    InputSource& input() { return inputSource; }
    // The file that plays (or played last), and the path of the last open tried.
    const std::string& filePath() const { return openedPath; }
    const std::string& triedPath() const { return lastTried; }
    const RecentFiles& recentFiles() const { return recent; }
    // Puts a file at the top of the recent list without opening it.
    void rememberFile(const std::string& path) { recent.add(path); }

    // The real-time source being analysed; null for the generators.
    ISignalSource* realTimeSource();
    // Hz of what is analysed; generatorRate when the generators are.
    double sampleRate(double generatorRate) const;

    // Once per frame: moves the sources on; `muted` silences file playback.
    void update(double elapsedSeconds, bool muted);
    // True once after the analysed source or its rate changed: the caller
    // applies the rate and lets the analyser refill.
    bool takeAnalysisChange();
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

    std::unique_ptr<IFileOpener> opener;
    std::unique_ptr<IPlaybackOutput> deviceOutput;
    std::unique_ptr<ICaptureDevice> capture;
    std::ostream& errors;
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
    bool analysisChanged = false;
};

} // namespace dravik
