#pragma once

#include "source/ClockOutput.h"
#include "source/IAudioDecoder.h"
#include "source/IPlaybackOutput.h"
#include "source/ISignalSource.h"
#include "source/RealTimeFeed.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace dravik {

// A sound file played through the output and analysed as it is heard. Each
// frame decodes a bounded step ahead of the playback position (never the whole
// file), plays the file's own channels and keeps their mono mix for the
// analysis. The end of the file stops or loops without a gap.
class FileSource final : public ISignalSource {
public:
    // Frames decoded per update at most: the frame loop never waits for a long decode.
    static constexpr std::uint64_t maxFramesPerUpdate = 65536;

    // deviceOutput plays the sound; without one (or for a format it cannot
    // play) the position follows the frame clock and nothing is heard.
    explicit FileSource(IPlaybackOutput* deviceOutput);

    // Replaces the current file and plays it from the start. false when the
    // output cannot play its format: it is then analysed without sound.
    bool load(std::unique_ptr<IAudioDecoder> decoder);
    bool isLoaded() const { return decoder != nullptr; }
    const AudioFormat_t& format() const { return fileFormat; }

    bool isPlaying() const { return playing; }
    // Playing again after the end starts from the beginning.
    void setPlaying(bool play);
    bool isLooping() const { return looping; }
    void setLooping(bool loop) { looping = loop; }
    void setMuted(bool mute);

    // Seconds into the file of what is heard now, and the file's length.
    double position() const;
    double duration() const;
    void seek(double seconds);

    double sampleRate() const override;
    void update(double elapsedSeconds) override;
    bool feedAnalyser(IFFT& analyser, std::uint32_t blockSize, std::uint32_t windowSize) override;
    void restartAnalysis() override { feed.restart(); }

private:
    // Where the file's frames start on the timeline: at the start, after each seek and each loop.
    struct Segment_t {
        std::uint64_t timeline;
        std::uint64_t fileFrame;
    };

    void decodeAhead();
    void refreshLength();
    void beginSegment(std::uint64_t fileFrame);
    std::uint64_t fileFrameAt(std::uint64_t timeline) const;

    IPlaybackOutput* deviceOutput;
    ClockOutput clockOutput;
    IPlaybackOutput* output;
    std::unique_ptr<IAudioDecoder> decoder;
    AudioFormat_t fileFormat;
    RealTimeFeed feed;
    std::vector<std::int16_t> frames;
    std::vector<double> mono;
    std::array<Segment_t, 8> segments{};
    std::uint64_t segmentCount = 0;
    std::uint64_t written = 0; // timeline frames handed to the output
    std::uint64_t heard = 0;
    std::uint64_t seekTimeline = 0; // heard jumps here once the output drops what it held
    bool playing = false;
    bool looping = false;
    bool decodedToEnd = false;
};

} // namespace dravik
