#include "engine/AnalysisEngine.h"

#include "Melody.h"

#include "analysis/FFTWRingBuffer.h"
#include "shared/NoteFrequency.h"
#include "source/RealTimeFeed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace dravik {
namespace {

constexpr double pi = 3.14159265358979323846;

std::vector<double> sine(double frequency, double rate, std::size_t count)
{
    std::vector<double> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = 0.5 * std::sin(2.0 * pi * frequency * static_cast<double>(i) / rate);
    return samples;
}

void collect(AnalysisEngine& engine, std::vector<NoteEvent_t>& into)
{
    const NoteEventView events = engine.takeEvents();
    into.insert(into.end(), events.begin(), events.end());
}

// Block by block, as dravik-transcribe pushes a file.
std::vector<NoteEvent_t> inBlocks(const std::vector<double>& samples, double rate)
{
    AnalysisEngine engine(rate);
    std::vector<NoteEvent_t> events;
    const std::uint32_t block = engine.fftParams().blockSize;
    for (std::size_t at = 0; at + block <= samples.size(); at += block) {
        engine.pushBlock(samples.data() + at, block);
        collect(engine, events);
    }
    engine.endNotes();
    collect(engine, events);
    return events;
}

// Frame by frame, as the program analyses a file while it plays: what was
// heard grows by a frame's worth at a time, sometimes several hops at once.
std::vector<NoteEvent_t> inFrames(const std::vector<double>& samples, double rate, unsigned seed)
{
    AnalysisEngine engine(rate);
    RealTimeFeed feed(1 << 18);
    std::vector<NoteEvent_t> events;
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> frame(100, 9000);
    const FFTParams_t& fft = engine.fftParams();
    std::int64_t heard = 0;
    std::size_t appended = 0;
    while (heard < static_cast<std::int64_t>(samples.size())) {
        heard = std::min<std::int64_t>(heard + frame(random), static_cast<std::int64_t>(samples.size()));
        // Decoded a little ahead of what is heard.
        const std::size_t ahead = std::min(samples.size(), static_cast<std::size_t>(heard) + 4096);
        feed.append(samples.data() + appended, ahead - appended);
        appended = ahead;
        feed.feed(engine, fft.blockSize, fft.windowSize, heard);
        collect(engine, events);
    }
    engine.endNotes();
    collect(engine, events);
    return events;
}

TEST(AnalysisEngine, EveryBlockReachesEachAnalysisAndTheClockRunsThroughResets)
{
    AnalysisEngine engine;
    FFTWRingBuffer plain(engine.fftParams());
    const std::uint32_t block = engine.fftParams().blockSize;
    const std::vector<double> samples = sine(noteFrequency(69, 440.0), 44100.0, 16384);
    for (std::size_t at = 0; at < samples.size(); at += block) {
        ASSERT_TRUE(engine.pushBlock(samples.data() + at, block));
        plain.pushBlock(samples.data() + at, block);
        EXPECT_EQ(engine.isReady(), plain.isReady());
        EXPECT_EQ(engine.blocksUntilReady(), plain.blocksUntilReady());
    }
    // The latest spectrum carries its frame and the time of its last sample.
    const Spectrum_t& spectrum = engine.spectrum();
    const MagnitudeSpectrum theirs = plain.compute();
    ASSERT_EQ(spectrum.bins.size(), theirs.size());
    EXPECT_EQ(spectrum.bins[41].magnitude, theirs[41].magnitude);
    EXPECT_EQ(spectrum.sampleRate, 44100.0);
    EXPECT_EQ(spectrum.windowSize, 4096u);
    EXPECT_DOUBLE_EQ(spectrum.endSeconds, 16384.0 / 44100.0);
    EXPECT_EQ(engine.compute().data, spectrum.bins.data);
    ASSERT_EQ(engine.activeNotes().size(), 1u);
    EXPECT_EQ(engine.activeNotes()[0].note, 69);

    // A refused block changes nothing; a reset empties the analyses, not the
    // clock nor the sounding notes.
    EXPECT_FALSE(engine.pushBlock(samples.data(), block + 1));
    engine.reset();
    EXPECT_TRUE(engine.spectrum().empty());
    EXPECT_EQ(engine.blocksUntilReady(), 32u);
    EXPECT_DOUBLE_EQ(engine.seconds(), 16384.0 / 44100.0);
    EXPECT_EQ(engine.activeNotes().size(), 1u);

    // A new rate ends the notes at the time reached, and the clock runs on at it.
    ASSERT_TRUE(engine.setSampleRate(22050.0));
    const NoteEventView ended = engine.takeEvents();
    ASSERT_FALSE(ended.empty());
    EXPECT_EQ(ended[ended.size() - 1].velocity, 0);
    EXPECT_DOUBLE_EQ(ended[ended.size() - 1].timeSeconds, 16384.0 / 44100.0);
    EXPECT_TRUE(engine.takeEvents().empty());
    engine.pushBlock(samples.data(), block);
    EXPECT_DOUBLE_EQ(engine.seconds(), 16384.0 / 44100.0 + block / 22050.0);
    EXPECT_FALSE(engine.setSampleRate(0.0));
    EXPECT_FALSE(engine.setSampleRate(std::nan("")));
    EXPECT_EQ(engine.sampleRate(), 22050.0);
}

// The rate and window length have one home: the mapper's and the tracker's
// copies follow every change, and restoring options never overwrites them.
TEST(AnalysisEngine, TheRecordsCopiesOfRateAndWindowFollowTheEngine)
{
    AnalysisEngine engine(48000.0);
    const auto expectFrame = [&](double rate, std::uint32_t window) {
        EXPECT_EQ(engine.mapper().params()->sampleRate, rate);
        EXPECT_EQ(engine.mapper().params()->fftSize, window);
        EXPECT_EQ(engine.trackerSettings().sampleRate, rate);
    };
    expectFrame(48000.0, 4096);
    FFTParams_t fft = engine.fftParams();
    fft.windowSize = 16384;
    fft.hopRate = 7.0f;
    engine.applyFFTParams(fft);
    EXPECT_EQ(engine.fftParams().hopRate, 1.0f);
    expectFrame(48000.0, 16384);
    engine.selectMapper(MapperType::HarmonicEnergy);
    expectFrame(48000.0, 16384);
    ASSERT_TRUE(engine.setSampleRate(8000.0));
    expectFrame(8000.0, 16384);

    NoteEnergyParams_t saved;
    saved.harmonicCount = 9;
    saved.sampleRate = 96000.0;
    saved.fftSize = 256;
    engine.restoreMapperOptions(saved);
    ASSERT_NE(engine.mapper().harmonicParams(), nullptr);
    EXPECT_EQ(engine.mapper().harmonicParams()->harmonicCount, 9);
    expectFrame(8000.0, 16384);
    // Options of the other mapper leave the active one alone.
    GaussianCentsMapperParams_t other;
    other.harmonicCount = 3;
    engine.restoreMapperOptions(other);
    EXPECT_EQ(engine.mapper().gaussianParams(), nullptr);
    EXPECT_EQ(engine.mapper().harmonicParams()->harmonicCount, 9);
}

// The program pushes a playing file frame by frame, several hops at once
// when a frame is slow; dravik-transcribe pushes it block by block. Every
// hop is tracked either way, so both find the same notes at the same times.
TEST(AnalysisEngine, FramesOrBlocksGiveTheSameNotes)
{
    constexpr double rate = 44100.0;
    const std::vector<double> samples = testing::melody(rate);
    const std::vector<NoteEvent_t> batch = inBlocks(samples, rate);
    std::vector<int> ons;
    for (const NoteEvent_t& e : batch) {
        if (e.velocity > 0)
            ons.push_back(e.note);
    }
    ASSERT_EQ(ons, (std::vector<int>{60, 64, 67, 64}));
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const std::vector<NoteEvent_t> live = inFrames(samples, rate, seed);
        ASSERT_EQ(live.size(), batch.size());
        for (std::size_t i = 0; i < batch.size(); ++i) {
            EXPECT_EQ(live[i].note, batch[i].note);
            EXPECT_EQ(live[i].velocity, batch[i].velocity);
            // The end of input falls within the last block.
            EXPECT_NEAR(live[i].timeSeconds, batch[i].timeSeconds, i + 1 == batch.size() ? 128.0 / rate : 1e-9);
        }
    }
}

} // namespace
} // namespace dravik
