#include "SourceFakes.h"

#include "source/FileSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace dravik {
namespace {

using test::ScriptedDecoder;
using test::WindowProbe;

constexpr std::uint32_t rate = 44100;

// Frame index encoded in the sample, so a window tells where it was taken.
std::int16_t ramp(std::uint64_t frame, std::uint32_t)
{
    return static_cast<std::int16_t>(frame % 30000);
}

std::uint64_t frameOf(double mono)
{
    return static_cast<std::uint64_t>(std::lround(mono * 32768.0));
}

// Frames from `frame` on to the ramp value `value`, for spans under 30000 frames.
std::uint64_t framesSince(std::uint64_t frame, std::uint64_t value)
{
    return (value + 30000 - frame % 30000) % 30000;
}

struct FileRun {
    explicit FileRun(std::uint64_t frames, ScriptedDecoder::Sample sample = ramp, std::uint32_t channels = 1)
    {
        source.load(
            std::make_unique<ScriptedDecoder>(AudioFormat_t{channels, rate, frames}, std::move(sample), &framesRead));
    }

    // Runs frames of dt seconds; counts the spectra and checks each ends at the position.
    int run(double seconds, double dt, WindowProbe& probe)
    {
        int analyses = 0;
        for (double t = 0.0; t < seconds - 1e-9; t += dt) {
            source.update(dt);
            if (source.feedAnalyser(probe, blockSize, windowSize)) {
                ++analyses;
                lastWindowEnd = frameOf(probe.window().data[probe.window().count - 1]) + 1;
            }
        }
        return analyses;
    }

    std::uint32_t blockSize = 128;
    std::uint32_t windowSize = 4096;
    std::uint64_t framesRead = 0;
    std::uint64_t lastWindowEnd = 0;
    FileSource source{nullptr};
};

TEST(FileSource, OneSpectrumPerHopOfRealTime)
{
    // n seconds of playback give n * rate / hop spectra, +-1, whatever the frame rate
    // as long as a frame is shorter than a hop.
    for (const double fps : {60.0, 144.0, 25.0}) {
        FileRun file(20 * rate);
        WindowProbe probe(128, 4096, 0.5f);
        file.run(1.0, 1.0 / fps, probe);
        const int analyses = file.run(4.0, 1.0 / fps, probe);
        EXPECT_NEAR(analyses, 4.0 * rate / 2048, 1.0) << fps << " frames per second";
    }
}

TEST(FileSource, HopsShorterThanAFrameAnalyseTheLatestWindowOncePerFrame)
{
    FileRun file(20 * rate);
    WindowProbe probe(128, 4096, 0.0f); // a hop of one block: 344 hops a second
    file.run(0.5, 1.0 / 60.0, probe);
    const int analyses = file.run(1.0, 1.0 / 60.0, probe);
    EXPECT_NEAR(analyses, 60, 1);
    const auto heard = static_cast<std::uint64_t>(std::lround(file.source.position() * rate));
    // Every hop due is analysed in turn, so the window ends less than a hop
    // (one block) before what is heard.
    EXPECT_LT(framesSince(file.lastWindowEnd, heard), 128u);
}

TEST(FileSource, AnalysedWindowEndsAtThePosition)
{
    FileRun file(20 * rate);
    WindowProbe probe(128, 4096, 0.5f);
    file.run(2.0, 1.0 / 60.0, probe);
    const auto heard = static_cast<std::uint64_t>(std::lround(file.source.position() * rate));
    // At most a hop (2048 samples) behind what is heard.
    EXPECT_LT(framesSince(file.lastWindowEnd, heard), 2048u);
}

TEST(FileSource, MixesChannelsDownToMono)
{
    // Left +8000, right -2000: the analysis sees their mean, 3000.
    FileRun file(
        rate, [](std::uint64_t, std::uint32_t c) { return std::int16_t(c == 0 ? 8000 : -2000); }, 2);
    WindowProbe probe(128, 4096, 0.5f);
    ASSERT_GT(file.run(0.5, 1.0 / 60.0, probe), 0);
    for (std::uint64_t i = 0; i < probe.window().count; ++i)
        ASSERT_DOUBLE_EQ(probe.window().data[i], 3000.0 / 32768.0);
}

TEST(FileSource, DecodesInBoundedStepsAheadOfThePosition)
{
    // Six hours at 44.1 kHz: loading and playing read only what is about to be heard.
    FileRun file(std::uint64_t{6} * 3600 * rate);
    EXPECT_DOUBLE_EQ(file.source.duration(), 6.0 * 3600.0);
    WindowProbe probe(128, 4096, 0.5f);
    std::uint64_t before = 0;
    for (int frame = 0; frame < 120; ++frame) {
        file.run(1.0 / 60.0, 1.0 / 60.0, probe);
        EXPECT_LE(file.framesRead - before, FileSource::maxFramesPerUpdate);
        before = file.framesRead;
    }
    EXPECT_LT(file.framesRead, 3 * rate);
}

TEST(FileSource, StopsAtTheEndOrLoops)
{
    FileRun once(rate / 2);
    WindowProbe probe(128, 4096, 0.5f);
    once.run(1.0, 1.0 / 60.0, probe);
    EXPECT_FALSE(once.source.isPlaying());
    EXPECT_DOUBLE_EQ(once.source.position(), 0.5);
    // Play again after the end starts from the beginning.
    once.source.setPlaying(true);
    once.run(0.1, 0.1, probe);
    EXPECT_TRUE(once.source.isPlaying());
    EXPECT_NEAR(once.source.position(), 0.1, 0.02);

    FileRun looped(rate / 2);
    looped.source.setLooping(true);
    const int analyses = looped.run(2.0, 1.0 / 60.0, probe);
    EXPECT_TRUE(looped.source.isPlaying());
    EXPECT_NEAR(looped.source.position(), 0.0, 0.02); // 2 s is four times round
    // The seam adds no gap: spectra keep their pace across it.
    EXPECT_NEAR(analyses, 2.0 * rate / 2048, 2.0);
}

TEST(FileSource, SeekAnalysesOnlySoundHeardAfterIt)
{
    FileRun file(20 * rate);
    WindowProbe probe(128, 4096, 0.5f);
    file.run(1.0, 1.0 / 60.0, probe);
    file.source.seek(10.0);
    EXPECT_DOUBLE_EQ(file.source.position(), 10.0);
    file.run(0.5, 1.0 / 60.0, probe);
    // The whole window lies after the seek point.
    EXPECT_LT(framesSince(10 * rate, frameOf(probe.window().data[0])), rate / 2 - 4096);
    EXPECT_NEAR(file.source.position(), 10.5, 0.02);
}

TEST(FileSource, PausingHoldsThePosition)
{
    FileRun file(20 * rate);
    WindowProbe probe(128, 4096, 0.5f);
    file.run(1.0, 1.0 / 60.0, probe);
    file.source.setPlaying(false);
    const double held = file.source.position();
    EXPECT_EQ(file.run(1.0, 1.0 / 60.0, probe), 0);
    EXPECT_DOUBLE_EQ(file.source.position(), held);
}

} // namespace
} // namespace dravik
