#include "app/FrameSignal.h"

#include "analysis/FFTWRingBuffer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace dravik {
namespace {

struct FrameSignalTest : ::testing::Test {
    std::vector<GeneratorEntry> generators;
    BlockMixer mixer;
    FFTParams_t params; // 4096 samples, blocks of 128, hop 0.5, Hann

    FrameSignalTest()
    {
        generators.push_back(makeGeneratorEntry(1));
        generators.push_back(makeGeneratorEntry(2));
    }

    FramePush_t frame(IFFT& analyser)
    {
        return pushUntilHop(analyser, mixEnabledGenerators(generators, mixer, params), params.blockSize);
    }
};

TEST_F(FrameSignalTest, NothingEnabledMixesAndPushesNothing)
{
    FFTWRingBuffer analyser(params);
    EXPECT_TRUE(mixEnabledGenerators(generators, mixer, params).empty());
    EXPECT_EQ(mixer.count, 0u);
    EXPECT_EQ(frame(analyser).blocksPushed, 0u);
}

TEST_F(FrameSignalTest, FillsOnTheFirstFrameThenPushesOneHopPerFrame)
{
    generators[0].enabled = true;
    FFTWRingBuffer analyser(params);
    const FramePush_t first = frame(analyser);
    EXPECT_EQ(first.blocksPushed, 32u);
    EXPECT_TRUE(first.hopCompleted);
    for (int i = 0; i < 3; ++i) {
        const FramePush_t later = frame(analyser);
        EXPECT_EQ(later.blocksPushed, 16u);
        EXPECT_TRUE(later.hopCompleted);
    }
}

TEST_F(FrameSignalTest, EachFrameRendersOneWholeWindowPerEnabledGenerator)
{
    generators[0].enabled = true;
    generators[1].enabled = true;
    const SampleBlock mix = mixEnabledGenerators(generators, mixer, params);
    EXPECT_EQ(mix.count, 4096u);
    EXPECT_EQ(mixer.count, 2u);
    // Two equal generators in phase sum to twice one of them.
    EXPECT_NEAR(mix[100], 2.0 * 0.800000011920929 * std::sin(2.0 * 3.141592653589793 * 100.0 * 440.0 / 44100.0), 1e-9);
    // The phase moved on by one window: 4096 * 440 / 44100 cycles.
    EXPECT_NEAR(generators[0].oscillator.params()->phase, std::fmod(4096.0 * 440.0 / 44100.0, 1.0), 1e-9);
    EXPECT_DOUBLE_EQ(generators[0].oscillator.params()->phase, generators[1].oscillator.params()->phase);
}

// The options panel rebuilds the analyser before the frame's signal is made,
// so the new sizes govern that very frame, down to the largest window.
TEST_F(FrameSignalTest, NewSettingsApplyToTheVeryFrame)
{
    generators[0].enabled = true;
    FFTWRingBuffer before(params);
    frame(before);
    frame(before);

    params.windowSize = 262144;
    params.blockSize = 64;
    FFTWRingBuffer rebuilt(params);
    EXPECT_EQ(mixEnabledGenerators(generators, mixer, params).count, 262144u);
    const FramePush_t first = pushUntilHop(rebuilt, mixer.mix(), params.blockSize);
    EXPECT_EQ(first.blocksPushed, 4096u);
    EXPECT_TRUE(first.hopCompleted);
    EXPECT_EQ(rebuilt.compute().count, 131073u);
    // Later frames push one hop of 2048 blocks.
    EXPECT_EQ(frame(rebuilt).blocksPushed, 2048u);
}

TEST_F(FrameSignalTest, WithoutACompletedHopNothingIsAnalysed)
{
    generators[0].enabled = true;
    FFTParams_t refused = params;
    refused.blockSize = 8192; // longer than the window
    FFTWRingBuffer analyser(refused);
    const FramePush_t push = frame(analyser);
    EXPECT_FALSE(push.hopCompleted);
}

} // namespace
} // namespace dravik
