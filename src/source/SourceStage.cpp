#include "source/SourceStage.h"

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

bool SourceStage::select(SourceKind next)
{
    panel = next;
    if (next == kind)
        return true;
    if (next == SourceKind::Input && !inputSource.isRunning() && !inputSource.start(inputSource.deviceName())) {
        report(inputSource.error());
        return false;
    }
    leave(kind);
    if (next == SourceKind::File && fileWasPlaying)
        fileSource.setPlaying(true);
    kind = next;
    lastMessage.clear();
    analysisChanged = true;
    return true;
}

void SourceStage::leave(SourceKind old)
{
    if (old == SourceKind::File) {
        fileWasPlaying = fileSource.isPlaying();
        fileSource.setPlaying(false);
    } else if (old == SourceKind::Input) {
        inputSource.stop();
    }
}

bool SourceStage::openFile(const std::string& path)
{
    panel = SourceKind::File;
    std::string error;
    std::unique_ptr<IAudioDecoder> decoder = opener->open(path, error);
    if (decoder == nullptr) {
        report(error.empty() ? "cannot open " + path : error);
        return false;
    }
    leave(kind);
    const bool audible = fileSource.load(std::move(decoder));
    const AudioFormat_t format = fileSource.format();
    openedPath = path;
    recent.add(path);
    kind = SourceKind::File;
    analysisChanged = true;
    lastMessage.clear();
    if (!audible && deviceOutput != nullptr)
        report(path + ": the output cannot play " + std::to_string(format.channels) +
               " channels; it is analysed without sound");
    return true;
}

bool SourceStage::selectInputDevice(const std::string& name)
{
    panel = SourceKind::Input;
    if (!inputSource.start(name)) {
        report(inputSource.error());
        return false;
    }
    if (kind != SourceKind::Input) {
        leave(kind);
        kind = SourceKind::Input;
    }
    lastMessage.clear();
    analysisChanged = true;
    return true;
}

ISignalSource* SourceStage::realTimeSource()
{
    switch (kind) {
    case SourceKind::File:
        return &fileSource;
    case SourceKind::Input:
        return &inputSource;
    case SourceKind::Generators:
        break;
    }
    return nullptr;
}

double SourceStage::sampleRate(double generatorRate) const
{
    switch (kind) {
    case SourceKind::File:
        return fileSource.sampleRate();
    case SourceKind::Input:
        return inputSource.sampleRate();
    case SourceKind::Generators:
        break;
    }
    return generatorRate;
}

void SourceStage::update(double elapsedSeconds, bool muted)
{
    fileSource.setMuted(muted);
    fileSource.update(elapsedSeconds);
    const bool wasRunning = inputSource.isRunning();
    inputSource.update(elapsedSeconds);
    if (wasRunning && !inputSource.isRunning())
        report(inputSource.error());
}

void SourceStage::stopOutput()
{
    if (deviceOutput)
        deviceOutput->close();
}

bool SourceStage::takeAnalysisChange()
{
    const bool changed = analysisChanged;
    analysisChanged = false;
    return changed;
}

void SourceStage::report(const std::string& text)
{
    lastMessage = text;
    errors << "dravik: " << text << '\n';
}

} // namespace dravik
