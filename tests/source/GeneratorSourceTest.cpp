#include "source/GeneratorSource.h"

#include "analysis/FFTWRingBuffer.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

// A saved bank comes back with its numbers, so names and voices stay, and the
// counter never goes back to a number already used.
TEST(GeneratorSource, RestoredGeneratorsKeepTheirNumbersAndTheCounterOnlyGrows)
{
    GeneratorSource source;
    source.restore({2, 5}, 3);
    ASSERT_EQ(source.entries().size(), 2u);
    EXPECT_EQ(source.entries()[0].name, "Audio Generator 2");
    EXPECT_EQ(source.entries()[1].number, 5u);
    EXPECT_FALSE(source.entries()[1].enabled);
    EXPECT_EQ(source.counter(), 5u);
    ASSERT_TRUE(source.add());
    EXPECT_EQ(source.entries().back().number, 6u);

    source.restore({1, 2, 3, 4, 5, 6, 7}, 9);
    EXPECT_EQ(source.entries().size(), maxGenerators);
    EXPECT_EQ(source.counter(), 9u);
}

TEST(GeneratorSource, FeedsTheAnalyserOnlyWhileAGeneratorIsEnabled)
{
    GeneratorSource source;
    FFTWRingBuffer analyser(FFTParams_t{});
    EXPECT_FALSE(source.feedAnalyser(analyser, 128, 4096));
    EXPECT_EQ(analyser.blocksUntilReady(), 32u);
    source.setEnabled(0, true);
    EXPECT_TRUE(source.feedAnalyser(analyser, 128, 4096));
    EXPECT_FALSE(source.setSampleRate(-1.0));
    ASSERT_TRUE(source.setSampleRate(22050.0));
    EXPECT_EQ(source.entries()[0].oscillator.params()->sampleRate, 22050.0);
}

} // namespace
} // namespace dravik
