#include "audio/BlockOscillator.h"
#include "audio/GeneratorEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace dravik {
namespace {

constexpr double twoPi = 6.283185307179586;
constexpr double amplitude = static_cast<double>(0.8f);

BlockOscillator makeOscillator(double frequency, double sampleRate, double phase = 0.0)
{
    return BlockOscillator(OscillatorParams_t{frequency, sampleRate, phase, amplitude});
}

std::vector<double> copyOf(SampleBlock block)
{
    return {block.begin(), block.end()};
}

TEST(BlockOscillator, OneWindowIsAContinuousSineEndingAtTheAccumulatedPhase)
{
    BlockOscillator osc = makeOscillator(440.0, 44100.0);
    const SampleBlock block = osc.render(128, 32);

    ASSERT_EQ(block.count, 4096u);
    EXPECT_EQ(block[0], 0.0);
    for (std::uint64_t i = 0; i < block.count; ++i) {
        const double expected = std::sin(twoPi * 440.0 * static_cast<double>(i) / 44100.0) * amplitude;
        ASSERT_NEAR(block[i], expected, 1e-9) << "sample " << i;
    }
    // Fractional part of 4096 * 440 / 44100, accumulated per sample.
    EXPECT_NEAR(osc.params()->phase, 0.8671201814058946, 1e-9);
}

TEST(BlockOscillator, ConsecutiveCallsJoinWithoutRestartingThePhase)
{
    BlockOscillator split = makeOscillator(1234.5, 44100.0, 0.3);
    BlockOscillator whole = makeOscillator(1234.5, 44100.0, 0.3);

    std::vector<double> joined = copyOf(split.render(128, 1));
    const std::vector<double> second = copyOf(split.render(128, 1));
    joined.insert(joined.end(), second.begin(), second.end());

    EXPECT_EQ(joined, copyOf(whole.render(128, 2)));
    EXPECT_EQ(split.params()->phase, whole.params()->phase);
}

TEST(BlockOscillator, RetuningTakesEffectFromTheNextCallWithoutAPhaseJump)
{
    BlockOscillator osc = makeOscillator(440.0, 44100.0);
    osc.render(64, 1);
    const double phase = osc.params()->phase;

    osc.params()->frequency = 880.0;
    osc.params()->amplitude = 0.5;
    const SampleBlock block = osc.render(64, 1);

    EXPECT_DOUBLE_EQ(block[0], std::sin(twoPi * phase) * 0.5);
    EXPECT_NEAR(block[1], std::sin(twoPi * (phase + 880.0 / 44100.0)) * 0.5, 1e-12);
}

TEST(BlockOscillator, EmptyRequestYieldsAnEmptyViewAndKeepsThePhase)
{
    struct Case {
        std::uint32_t blockSize;
        std::uint32_t blockCount;
    };
    for (const Case c : {Case{128, 0}, Case{0, 32}, Case{0, 0}}) {
        BlockOscillator osc = makeOscillator(440.0, 44100.0, 0.25);
        const SampleBlock block = osc.render(c.blockSize, c.blockCount);
        EXPECT_EQ(block.count, 0u) << c.blockSize << " x " << c.blockCount;
        EXPECT_EQ(osc.params()->phase, 0.25) << c.blockSize << " x " << c.blockCount;
    }
}

TEST(BlockOscillator, ReusesItsBufferForTheSameLength)
{
    BlockOscillator osc = makeOscillator(440.0, 44100.0);
    const double* first = osc.render(128, 32).data;
    EXPECT_EQ(osc.render(128, 32).data, first);
    EXPECT_EQ(osc.render(256, 16).data, first);
}

TEST(BlockOscillator, ZeroFrequencyHoldsTheStartingValue)
{
    BlockOscillator osc = makeOscillator(0.0, 44100.0, 0.125);
    for (const double sample : osc.render(16, 2)) {
        EXPECT_EQ(sample, std::sin(0.25 * 3.141592653589793) * amplitude);
    }
    EXPECT_EQ(osc.params()->phase, 0.125);
}

// Whole cycles change no sample, so the phase is kept in [0, 1) whatever the
// sign or size of the increment.
TEST(BlockOscillator, PhaseStaysWithinOneCycle)
{
    struct Case {
        double frequency;
        double sampleRate;
        std::uint32_t samples;
        double phase; // after the block
        std::uint32_t probe;
        double probePhase; // of sample `probe`, in cycles
    };
    const Case cases[] = {
        {1536.0, 1024.0, 8, 0.0, 3, 4.5},     // 1.5 cycles per sample
        {-441.0, 44100.0, 10, 0.9, 5, -0.05}, // running backwards
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frequency);
        BlockOscillator osc = makeOscillator(c.frequency, c.sampleRate);
        const SampleBlock block = osc.render(c.samples, 1);
        EXPECT_NEAR(osc.params()->phase, c.phase, 1e-12);
        EXPECT_NEAR(block[c.probe], std::sin(twoPi * c.probePhase) * amplitude, 1e-12);
    }
}

// A typed 1e20 Hz must not push the phase where a later 440 Hz step is lost
// in rounding: the generator sounds again at once.
TEST(BlockOscillator, HugeFrequencyDoesNotSilenceALaterTone)
{
    BlockOscillator osc = makeOscillator(1e20, 44100.0);
    for (int frame = 0; frame < 100; ++frame)
        osc.render(128, 16);
    const double phase = osc.params()->phase;
    EXPECT_GE(phase, 0.0);
    EXPECT_LT(phase, 1.0);

    osc.params()->frequency = 440.0;
    const SampleBlock block = osc.render(128, 2);
    for (std::uint64_t i = 0; i < block.count; ++i) {
        const double expected = std::sin(twoPi * (phase + static_cast<double>(i) * 440.0 / 44100.0)) * amplitude;
        ASSERT_NEAR(block[i], expected, 1e-9) << "sample " << i;
    }
}

// One long block at a frequency that is no simple fraction of the rate: the
// rotation must not drift from the sine over the largest window.
TEST(BlockOscillator, LongBlockStaysOnTheSine)
{
    constexpr double frequency = 1234.56789;
    BlockOscillator osc = makeOscillator(frequency, 44100.0, 0.3);
    const SampleBlock block = osc.render(262144, 1);
    double worst = 0.0;
    for (std::uint64_t i = 0; i < block.count; ++i) {
        const double cycles = std::fmod(0.3 + static_cast<double>(i) * frequency / 44100.0, 1.0);
        worst = std::max(worst, std::fabs(block[i] - std::sin(twoPi * cycles) * amplitude));
    }
    EXPECT_LT(worst, 1e-9);
    EXPECT_NEAR(osc.params()->phase, std::fmod(0.3 + 262144.0 * frequency / 44100.0, 1.0), 1e-9);
}

// Small blocks carry the rotating vector from one to the next: block sizes
// with and without a partial lane step, and a phase set between blocks, which
// must start afresh from it rather than run on.
TEST(BlockOscillator, SmallBlocksCarriedAcrossCallsStayOnTheSine)
{
    constexpr double frequency = 987.654321;
    for (const std::uint32_t blockSize : {64u, 100u}) {
        SCOPED_TRACE(blockSize);
        BlockOscillator osc = makeOscillator(frequency, 44100.0, 0.3);
        double worst = 0.0;
        std::uint64_t n = 0;
        for (int call = 0; call < 2000; ++call, n += blockSize) {
            const SampleBlock block = osc.render(blockSize, 1);
            for (std::uint64_t i = 0; i < block.count; ++i) {
                const double cycles = std::fmod(0.3 + static_cast<double>(n + i) * frequency / 44100.0, 1.0);
                worst = std::max(worst, std::fabs(block[i] - std::sin(twoPi * cycles) * amplitude));
            }
        }
        EXPECT_LT(worst, 1e-9);

        osc.setPhase(0.25);
        const SampleBlock after = osc.render(blockSize, 1);
        EXPECT_NEAR(after[0], amplitude, 1e-12) << "a set phase starts afresh";
        EXPECT_NEAR(after[8], std::sin(twoPi * (0.25 + 8.0 * frequency / 44100.0)) * amplitude, 1e-12);
    }
}

TEST(BlockOscillator, BlockThatWouldLeaveTheFiniteRangeHoldsThePhase)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double frequency;
        double sampleRate;
    };
    const Case cases[] = {{440.0, 0.0},    {0.0, 0.0},     {440.0, -0.0}, {inf, 44100.0},
                          {-inf, 44100.0}, {nan, 44100.0}, {440.0, nan},  {1e307, 1.0}};
    for (const Case c : cases) {
        BlockOscillator osc = makeOscillator(c.frequency, c.sampleRate, 0.25);
        for (const double sample : osc.render(64, 2)) {
            ASSERT_EQ(sample, amplitude) << c.frequency << " Hz at " << c.sampleRate;
        }
        EXPECT_EQ(osc.params()->phase, 0.25) << c.frequency << " Hz at " << c.sampleRate;

        // Sane settings resume from the held phase.
        osc.params()->frequency = 441.0;
        osc.params()->sampleRate = 44100.0;
        osc.render(10, 1);
        EXPECT_NEAR(osc.params()->phase, 0.35, 1e-12);
    }
}

TEST(GeneratorEntry, StartsDisabledAt440HzWithItsNumberInTheName)
{
    const GeneratorEntry first = makeGeneratorEntry(1);
    EXPECT_EQ(first.name, "Audio Generator 1");
    EXPECT_FALSE(first.enabled);

    GeneratorEntry last = makeGeneratorEntry(4294967295u);
    EXPECT_EQ(last.name, "Audio Generator 4294967295");
    EXPECT_EQ(last.number, 4294967295u);
    const OscillatorParams_t& p = *last.oscillator.params();
    EXPECT_EQ(p.frequency, 440.0);
    EXPECT_EQ(p.sampleRate, 44100.0);
    EXPECT_EQ(p.phase, 0.0);
    EXPECT_EQ(p.amplitude, 0.800000011920929);
}

// Rendering into a mix gives the very samples a render into the oscillator's
// own buffer gives, written or added, and moves the phase alike.
TEST(BlockOscillator, RenderingIntoAMixMatchesTheOwnBuffer)
{
    const OscillatorParams_t params{440.0, 44100.0, 0.25, 0.5};
    BlockOscillator own(params);
    BlockOscillator writer(params);
    BlockOscillator adder(params);
    const SampleBlock expected = own.render(128, 3);
    std::vector<double> written(384, -7.0);
    std::vector<double> added(384, 1.0);
    writer.renderTo(written.data(), 128, 3);
    adder.renderAdding(added.data(), 128, 3);
    for (std::size_t i = 0; i < 384; ++i) {
        ASSERT_EQ(written[i], expected[i]) << i;
        ASSERT_EQ(added[i], 1.0 + expected[i]) << i;
    }
    EXPECT_EQ(writer.params()->phase, own.params()->phase);
    EXPECT_EQ(adder.params()->phase, own.params()->phase);
}

} // namespace
} // namespace dravik
