#include "tracking/TrackingAnalyser.h"
#include "analysis/FFTWRingBuffer.h"
#include "shared/NoteFrequency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace dravik {
namespace {

std::vector<double> sine(double frequency, double rate, std::size_t count)
{
    std::vector<double> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = 0.5 * std::sin(6.283185307179586 * frequency * static_cast<double>(i) / rate);
    return samples;
}

TEST(TrackingAnalyserTest, EveryBlockReachesBothAnalysesAndTheClockRunsThroughResets)
{
    FFTParams_t params;
    TrackingAnalyser analyser(params, 16384);
    FFTWRingBuffer plain(params);
    NoteTrackerParams_t tracking;
    const std::vector<double> samples = sine(noteFrequency(40, 440.0), 44100.0, 16384);

    for (std::size_t at = 0; at < samples.size(); at += params.blockSize) {
        ASSERT_TRUE(analyser.pushBlock(samples.data() + at, params.blockSize));
        plain.pushBlock(samples.data() + at, params.blockSize);
        EXPECT_EQ(analyser.isReady(), plain.isReady());
        EXPECT_EQ(analyser.blocksUntilReady(), plain.blocksUntilReady());
    }
    const MagnitudeSpectrum ours = analyser.compute();
    const MagnitudeSpectrum theirs = plain.compute();
    ASSERT_EQ(ours.size(), theirs.size());
    EXPECT_EQ(ours[100].magnitude, theirs[100].magnitude);

    // The low-note window is full: note 40 stands out over its neighbours.
    const ArrayView<double> low = analyser.lowNotes(tracking);
    ASSERT_EQ(low.size(), 128u);
    EXPECT_NEAR(low[40], 0.5, 0.05);
    EXPECT_LT(low[41], 0.1 * low[40]);
    EXPECT_EQ(analyser.samplesPushed(), 16384u);

    // A refused block changes nothing; a reset empties both analyses, not the clock.
    EXPECT_FALSE(analyser.pushBlock(samples.data(), params.blockSize + 1));
    EXPECT_EQ(analyser.samplesPushed(), 16384u);
    analyser.reset();
    EXPECT_EQ(analyser.lowNotes(tracking).size(), 0u);
    EXPECT_EQ(analyser.samplesPushed(), 16384u);
}

} // namespace
} // namespace dravik
