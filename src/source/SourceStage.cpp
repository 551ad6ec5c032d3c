#include "source/SourceStage.h"

#include "source/TimeText.h"

#include <algorithm>

namespace dravik {

SourceStage::SourceStage(std::unique_ptr<IFileOpener> opener, std::unique_ptr<IPlaybackOutput> deviceOutput,
                         std::unique_ptr<ICaptureDevice> capture, std::ostream& errors)
    : opener(std::move(opener))
    , deviceOutput(std::move(deviceOutput))
    , capture(std::move(capture))
    , errors(errors)
    , fileSource(this->deviceOutput.get())
    , inputSource(*this->capture)
{
}

void SourceStage::pauseFileFor(SourceKind shown)
{
    // The file's transport is in its own panel: it never plays unseen.
    panel = shown;
    if (shown != SourceKind::File && fileSource.isPlaying()) {
        fileWasPlaying = true;
        fileSource.setPlaying(false);
    }
}

SourceChange_t SourceStage::select(SourceKind next)
{
    pauseFileFor(next);
    if (next == kind) {
        // Back to the file after a failed switch: it plays on as before.
        if (next == SourceKind::File) {
            if (fileWasPlaying)
                fileSource.setPlaying(true);
            fileWasPlaying = false;
        }
        return {true, false, sampleRate()};
    }
    if (next == SourceKind::Input && !inputSource.isRunning() && !inputSource.start(inputSource.deviceName())) {
        report(inputMessage, inputSource.error());
        return {};
    }
    leave(kind);
    if (next == SourceKind::File && fileWasPlaying)
        fileSource.setPlaying(true);
    if (next == SourceKind::File)
        fileWasPlaying = false;
    if (next == SourceKind::Input)
        inputMessage.clear();
    kind = next;
    return changed();
}

void SourceStage::leave(SourceKind old)
{
    if (old == SourceKind::File) {
        fileWasPlaying = fileWasPlaying || fileSource.isPlaying();
        fileSource.setPlaying(false);
    } else if (old == SourceKind::Input) {
        inputSource.stop();
    }
}

SourceChange_t SourceStage::openFile(const std::string& path)
{
    panel = SourceKind::File;
    lastTried = path;
    std::string error;
    std::unique_ptr<IAudioDecoder> decoder = opener->open(path, error);
    if (decoder == nullptr) {
        report(fileMessage, error.empty() ? "cannot open " + path : error);
        return {};
    }
    leave(kind);
    fileWasPlaying = false;
    const bool audible = fileSource.load(std::move(decoder));
    const AudioFormat_t format = fileSource.format();
    openedPath = path;
    recent.add(path);
    kind = SourceKind::File;
    fileMessage.clear();
    shortFileReported = false;
    if (!audible && deviceOutput != nullptr)
        report(fileMessage, path + ": the output cannot play " + std::to_string(format.channels) +
                                " channels; it is analysed without sound");
    reportShortFile();
    return changed();
}

SourceChange_t SourceStage::selectInputDevice(const std::string& name)
{
    pauseFileFor(SourceKind::Input);
    if (!inputSource.start(name)) {
        report(inputMessage, inputSource.error());
        return {};
    }
    if (kind != SourceKind::Input) {
        leave(kind);
        kind = SourceKind::Input;
    }
    inputMessage.clear();
    return changed();
}

SourceChange_t SourceStage::setGeneratorRate(double rate)
{
    if (!generatorSource.setSampleRate(rate))
        return {};
    if (kind != SourceKind::Generators)
        return {true, false, sampleRate()};
    return changed();
}

bool SourceStage::transportKey(TransportKey key)
{
    if (kind != SourceKind::File || !fileSource.isLoaded())
        return false;
    switch (key) {
    case TransportKey::PlayPause:
        fileSource.setPlaying(!fileSource.isPlaying());
        break;
    case TransportKey::Back:
        fileSource.seek(std::max(0.0, fileSource.position() - seekStepSeconds));
        break;
    case TransportKey::Forward:
        fileSource.seek(std::min(fileSource.duration(), fileSource.position() + seekStepSeconds));
        break;
    }
    return true;
}

ISignalSource& SourceStage::activeSource()
{
    switch (kind) {
    case SourceKind::File:
        return fileSource;
    case SourceKind::Input:
        return inputSource;
    case SourceKind::Generators:
        break;
    }
    return generatorSource;
}

double SourceStage::sampleRate() const
{
    switch (kind) {
    case SourceKind::File:
        return fileSource.sampleRate();
    case SourceKind::Input:
        return inputSource.sampleRate();
    case SourceKind::Generators:
        break;
    }
    return generatorSource.sampleRate();
}

void SourceStage::update(double elapsedSeconds, bool muted)
{
    fileSource.setMuted(muted);
    fileSource.update(elapsedSeconds);
    reportShortFile();
    const bool wasRunning = inputSource.isRunning();
    inputSource.update(elapsedSeconds);
    if (wasRunning && !inputSource.isRunning())
        report(inputMessage, inputSource.error());
}

void SourceStage::reportShortFile()
{
    // Found at the open (an uncompressed file's data cut short) or when the
    // decoder reaches the cut (a compressed one); the length is then the one read.
    if (shortFileReported || !fileSource.isLoaded() || !fileSource.format().shorterThanHeader)
        return;
    shortFileReported = true;
    report(fileMessage, shorterThanHeaderMessage(openedPath, fileSource.format()));
}

void SourceStage::stopOutput()
{
    if (deviceOutput)
        deviceOutput->close();
}

void SourceStage::report(std::string& message, const std::string& text)
{
    message = text;
    errors << "dravik: " << text << '\n';
}

} // namespace dravik
