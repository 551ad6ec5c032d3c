#include "source/FrameSignal.h"

#include "analysis/FFTWRingBuffer.h"
#include "mapping/GaussianCentsMapper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

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

    FramePush_t frame(IFFT& analyser) { return pushNextHop(generators, mixer, analyser, params.blockSize); }
};

TEST_F(FrameSignalTest, NothingEnabledMixesAndPushesNothing)
{
    FFTWRingBuffer analyser(params);
    EXPECT_TRUE(mixEnabledGenerators(generators, mixer, params.blockSize, 32).empty());
    EXPECT_EQ(mixer.count, 0u);
    EXPECT_EQ(frame(analyser).blocksPushed, 0u);
    EXPECT_EQ(analyser.blocksUntilReady(), 32u);
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

// The generators advance only by what is pushed: nothing is rendered and then
// dropped, so the phase has moved by exactly the analysed samples.
TEST_F(FrameSignalTest, GeneratorsRenderOnlyWhatIsPushed)
{
    generators[0].enabled = true;
    generators[1].enabled = true;
    FFTWRingBuffer analyser(params);
    frame(analyser);
    frame(analyser);
    const double samples = 4096.0 + 2048.0;
    EXPECT_NEAR(generators[0].oscillator.params()->phase, std::fmod(samples * 440.0 / 44100.0, 1.0), 1e-9);
    EXPECT_DOUBLE_EQ(generators[0].oscillator.params()->phase, generators[1].oscillator.params()->phase);
    // Two equal generators in phase sum to twice one of them.
    const SampleBlock mix = mixer.mix();
    ASSERT_EQ(mix.count, 2048u);
    EXPECT_NEAR(mix[100],
                2.0 * 0.800000011920929 * std::sin(2.0 * 3.141592653589793 * (4096.0 + 100.0) * 440.0 / 44100.0), 1e-9);
}

// A steady sine seen through the frame path gives the same spectrum at every
// analysis, for every hop and block size: each window is an unbroken stretch.
TEST_F(FrameSignalTest, ASteadySineGivesTheSameSpectrumAtEveryAnalysis)
{
    generators[0].enabled = true;
    // 440 Hz at 44100 Hz repeats every 2205 samples; a whole number of periods
    // between analyses makes the windows identical, so sample the analysis
    // after every hop and compare against a freshly filled reference window.
    for (const float hopRate : {0.0f, 0.3f, 0.5f, 1.0f}) {
        for (const std::uint32_t blockSize : {64u, 128u, 256u, 512u, 1024u, 2048u, 4096u}) {
            SCOPED_TRACE(testing::Message() << "hop " << hopRate << ", block " << blockSize);
            params.hopRate = hopRate;
            params.blockSize = blockSize;
            generators[0].oscillator.setPhase(0.0);
            FFTWRingBuffer analyser(params);
            std::uint64_t pushed = 0;
            for (int analysis = 0; analysis < 6; ++analysis) {
                const FramePush_t push = frame(analyser);
                ASSERT_TRUE(push.hopCompleted);
                pushed += std::uint64_t{push.blocksPushed} * blockSize;
                const MagnitudeSpectrum spectrum = analyser.compute();

                // The reference: a fresh oscillator whose window ends where the stream's does.
                BlockOscillator reference(*generators[0].oscillator.params());
                reference.setPhase(std::fmod(static_cast<double>(pushed - params.windowSize) * 440.0 / 44100.0, 1.0));
                FFTWRingBuffer fresh(params);
                const SampleBlock window = reference.render(params.windowSize, 1);
                for (std::uint32_t b = 0; b < params.windowSize / blockSize; ++b)
                    fresh.pushBlock(window.data + b * blockSize, blockSize);
                const MagnitudeSpectrum expected = fresh.compute();
                ASSERT_EQ(spectrum.count, expected.count);
                for (std::uint64_t k = 0; k < spectrum.count; ++k)
                    ASSERT_NEAR(spectrum[k].power, expected[k].power, 1e-9 * std::max(1.0, expected[k].power))
                        << "bin " << k << ", analysis " << analysis;
            }
        }
    }
}

// Note energies read from the stream stay at their first-window value, and
// the strongest note is the true one.
TEST_F(FrameSignalTest, NoteEnergyStaysAtItsFirstWindowValue)
{
    struct Case {
        double frequency;
        std::uint8_t note;
    };
    for (const Case c : {Case{440.0, 69}, Case{140.772, 49}}) {
        SCOPED_TRACE(c.frequency);
        generators[0].enabled = true;
        generators[0].oscillator.params()->frequency = c.frequency;
        generators[0].oscillator.setPhase(0.0);
        FFTWRingBuffer analyser(params);
        GaussianCentsMapper mapper;
        double first = 0.0;
        for (int analysis = 0; analysis < 40; ++analysis) {
            ASSERT_TRUE(frame(analyser).hopCompleted);
            const NoteEnergyView notes = mapper.map(analyser.compute());
            const auto strongest =
                std::max_element(notes.begin(), notes.end(), [](auto& a, auto& b) { return a.energy < b.energy; });
            ASSERT_NE(strongest, notes.end());
            EXPECT_EQ(strongest->note, c.note) << "analysis " << analysis;
            if (analysis == 0)
                first = strongest->energy;
            // The window's position in the sine's period moves the leakage a little.
            EXPECT_NEAR(strongest->energy, first, 0.05 * first) << "analysis " << analysis;
        }
    }
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
    const FramePush_t first = frame(rebuilt);
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
    EXPECT_EQ(analyser.blocksUntilReady(), 0u);
    const FramePush_t push = pushNextHop(generators, mixer, analyser, refused.blockSize);
    EXPECT_FALSE(push.hopCompleted);
    EXPECT_EQ(push.blocksPushed, 0u);
}

} // namespace
} // namespace dravik
