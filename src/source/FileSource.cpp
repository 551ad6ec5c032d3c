#include "source/FileSource.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

// Frames per decoder call, and the timeline the analysis keeps: the largest
// window (262144) plus the output's queue, with room to spare.
constexpr std::uint64_t readFrames = 4096;
constexpr std::uint64_t historySamples = std::uint64_t{1} << 20;
constexpr double fullScale = 32768.0;

} // namespace

FileSource::FileSource(IPlaybackOutput* deviceOutput)
    : deviceOutput(deviceOutput)
    , output(&clockOutput)
    , feed(historySamples)
    , mono(readFrames)
{
}

bool FileSource::load(std::unique_ptr<IAudioDecoder> newDecoder)
{
    if (newDecoder == nullptr)
        return false;
    output->close();
    decoder = std::move(newDecoder);
    fileFormat = decoder->format();
    frames.assign(readFrames * fileFormat.channels, 0);
    bool audible = deviceOutput != nullptr && deviceOutput->open(fileFormat.channels, fileFormat.sampleRate);
    output = audible ? deviceOutput : &clockOutput;
    if (!audible)
        clockOutput.open(fileFormat.channels, fileFormat.sampleRate);
    feed.clear();
    segmentCount = 0;
    written = 0;
    heard = 0;
    seekTimeline = 0;
    decodedToEnd = false;
    beginSegment(0);
    playing = false;
    setPlaying(true);
    return audible;
}

void FileSource::setPlaying(bool play)
{
    if (decoder == nullptr)
        return;
    // At the end (played there, or sought there) playing starts from the beginning.
    const bool atEnd = fileFrameAt(std::max(heard, seekTimeline)) >= fileFormat.frames;
    if (play && ((decodedToEnd && heard >= written) || atEnd))
        seek(0.0);
    playing = play;
    output->setPaused(!play);
}

void FileSource::setMuted(bool mute)
{
    if (deviceOutput != nullptr)
        deviceOutput->setMuted(mute);
}

double FileSource::sampleRate() const
{
    return fileFormat.sampleRate != 0 ? fileFormat.sampleRate : 44100.0;
}

double FileSource::duration() const
{
    return fileFormat.sampleRate != 0 ? static_cast<double>(fileFormat.frames) / fileFormat.sampleRate : 0.0;
}

double FileSource::position() const
{
    if (fileFormat.sampleRate == 0)
        return 0.0;
    return static_cast<double>(fileFrameAt(std::max(heard, seekTimeline))) / fileFormat.sampleRate;
}

void FileSource::seek(double seconds)
{
    if (decoder == nullptr || !std::isfinite(seconds))
        return;
    const double frame = std::clamp(seconds * fileFormat.sampleRate, 0.0, static_cast<double>(fileFormat.frames));
    decoder->seek(static_cast<std::uint64_t>(frame));
    // A seek past the cut of a file shorter than its header lands at the cut.
    refreshLength();
    const auto target = std::min(static_cast<std::uint64_t>(frame), fileFormat.frames);
    output->flush();
    seekTimeline = written;
    beginSegment(target);
    feed.startOver(static_cast<std::int64_t>(written));
    decodedToEnd = false;
}

void FileSource::update(double elapsedSeconds)
{
    if (decoder == nullptr)
        return;
    if (playing && !decodedToEnd)
        decodeAhead();
    output->advance(elapsedSeconds);
    heard = std::min(output->heardFrame(), written);
    if (decodedToEnd && heard >= written && playing) {
        // Played to the end: the output has faded out on its own.
        playing = false;
        output->setPaused(true);
    }
}

void FileSource::decodeAhead()
{
    const std::uint32_t channels = fileFormat.channels;
    std::uint64_t budget = std::min(output->writable(), maxFramesPerUpdate);
    bool loopedEmpty = false;
    while (budget > 0) {
        const std::uint64_t got = decoder->read(frames.data(), std::min(budget, readFrames));
        if (got == 0) {
            refreshLength();
            // A file that yields nothing right after a loop would spin: stop there.
            if (!looping || loopedEmpty) {
                decodedToEnd = true;
                return;
            }
            decoder->seek(0);
            beginSegment(0);
            loopedEmpty = true;
            continue;
        }
        loopedEmpty = false;
        for (std::uint64_t f = 0; f < got; ++f) {
            double sum = 0.0;
            for (std::uint32_t c = 0; c < channels; ++c)
                sum += frames[f * channels + c];
            mono[f] = sum / (channels * fullScale);
        }
        feed.append(mono.data(), got);
        output->write(frames.data(), got);
        written += got;
        budget -= got;
    }
}

void FileSource::refreshLength()
{
    // A file cut short finds its real length only when a read or a seek reaches the cut.
    const AudioFormat_t now = decoder->format();
    fileFormat.frames = std::min(fileFormat.frames, now.frames);
    fileFormat.shorterThanHeader = fileFormat.shorterThanHeader || now.shorterThanHeader;
}

void FileSource::beginSegment(std::uint64_t fileFrame)
{
    segments[segmentCount % segments.size()] = {written, fileFrame};
    ++segmentCount;
}

std::uint64_t FileSource::fileFrameAt(std::uint64_t timeline) const
{
    // The latest segment that started at or before the timeline index.
    const std::uint64_t kept = std::min<std::uint64_t>(segmentCount, segments.size());
    for (std::uint64_t i = 1; i <= kept; ++i) {
        const Segment_t& s = segments[(segmentCount - i) % segments.size()];
        if (s.timeline <= timeline)
            return std::min(s.fileFrame + (timeline - s.timeline), fileFormat.frames);
    }
    return 0;
}

bool FileSource::feedAnalyser(IFFT& analyser, std::uint32_t blockSize, std::uint32_t windowSize)
{
    if (decoder == nullptr)
        return false;
    return feed.feed(analyser, blockSize, windowSize, static_cast<std::int64_t>(heard));
}

} // namespace dravik
