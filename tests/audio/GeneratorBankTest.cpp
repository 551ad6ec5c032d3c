#include "audio/GeneratorBank.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace dravik {
namespace {

struct GeneratorBankTest : ::testing::Test {
    std::vector<GeneratorEntry> generators{makeGeneratorEntry(1)};
    std::uint32_t counter = 1;

    std::string names() const
    {
        std::string list;
        for (const GeneratorEntry& e : generators)
            list += e.name.substr(std::string("Audio Generator ").size()) + " ";
        return list;
    }
};

TEST_F(GeneratorBankTest, NumbersAreNeverReusedAndTheBankHoldsFive)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(addGenerator(generators, counter, 44100.0));
    EXPECT_EQ(names(), "1 2 3 4 5 ");
    EXPECT_FALSE(addGenerator(generators, counter, 44100.0));
    EXPECT_EQ(counter, 5u);

    deleteGenerator(generators, 1);
    EXPECT_EQ(names(), "1 3 4 5 ");
    EXPECT_TRUE(addGenerator(generators, counter, 44100.0));
    EXPECT_EQ(names(), "1 3 4 5 6 ");
    EXPECT_EQ(generators.back().number, 6u);
}

TEST_F(GeneratorBankTest, DeletingMovesLaterEntriesDownWithTheirState)
{
    addGenerator(generators, counter, 44100.0);
    addGenerator(generators, counter, 44100.0);
    generators[1].enabled = true;
    generators[1].oscillator.params()->frequency = 1000.0;
    generators[2].oscillator.setPhase(0.25);

    deleteGenerator(generators, 0);
    ASSERT_EQ(generators.size(), 2u);
    EXPECT_EQ(generators[0].name, "Audio Generator 2");
    EXPECT_TRUE(generators[0].enabled);
    EXPECT_EQ(generators[0].oscillator.params()->frequency, 1000.0);
    EXPECT_EQ(generators[1].name, "Audio Generator 3");
    EXPECT_EQ(generators[1].oscillator.params()->phase, 0.25);

    deleteGenerator(generators, 7); // nothing there
    EXPECT_EQ(generators.size(), 2u);
}

TEST_F(GeneratorBankTest, NewEntriesAndRateChangesUseTheCurrentSampleRate)
{
    addGenerator(generators, counter, 22050.0);
    EXPECT_EQ(generators[0].oscillator.params()->sampleRate, 44100.0);
    EXPECT_EQ(generators[1].oscillator.params()->sampleRate, 22050.0);
    setGeneratorSampleRate(generators, 48000.0);
    for (const GeneratorEntry& e : generators)
        EXPECT_EQ(e.oscillator.params()->sampleRate, 48000.0);
}

TEST_F(GeneratorBankTest, ToneVoicesCarryEachEntrysNumberAndSettings)
{
    addGenerator(generators, counter, 44100.0);
    deleteGenerator(generators, 0);
    generators[0].enabled = true;
    generators[0].oscillator.params()->amplitude = 0.5;
    EXPECT_TRUE(anyGeneratorEnabled(generators));

    ToneVoice_t voices[maxGenerators];
    ASSERT_EQ(collectToneVoices(generators, voices), 1u);
    EXPECT_EQ(voices[0].id, 2u);
    EXPECT_TRUE(voices[0].enabled);
    EXPECT_EQ(voices[0].frequency, 440.0);
    EXPECT_EQ(voices[0].sampleRate, 44100.0);
    EXPECT_EQ(voices[0].amplitude, 0.5);

    generators[0].enabled = false;
    EXPECT_FALSE(anyGeneratorEnabled(generators));
}

// What is heard is the tone the samples carry: folded at the sampling rate and
// played at the output rate.
TEST_F(GeneratorBankTest, ToneVoicesSoundAtTheFrequencyTheSamplesCarry)
{
    struct Case {
        double frequency;
        double sampleRate;
        double heard;
    };
    for (const Case c : {Case{440.0, 44100.0, 440.0}, Case{440.0, 22050.0, 440.0}, Case{15000.0, 22050.0, 7050.0},
                         Case{22050.0, 22050.0, 0.0}, Case{-440.0, 44100.0, 440.0}, Case{1e20, 44100.0, 12500.0}}) {
        SCOPED_TRACE(testing::Message() << c.frequency << " Hz at " << c.sampleRate);
        EXPECT_NEAR(sampledFrequency(c.frequency, c.sampleRate), c.heard, 1e-6);
        setGeneratorSampleRate(generators, c.sampleRate);
        generators[0].oscillator.params()->frequency = c.frequency;
        ToneVoice_t voices[maxGenerators];
        ASSERT_EQ(collectToneVoices(generators, voices), 1u);
        EXPECT_EQ(voices[0].sampleRate, 44100.0);
        EXPECT_EQ(voices[0].frequency, sampledFrequency(c.frequency, c.sampleRate));
    }
    // A rate the oscillators cannot use leaves the voice unplayable.
    generators[0].oscillator.params()->sampleRate = 0.0;
    ToneVoice_t voices[maxGenerators];
    collectToneVoices(generators, voices);
    EXPECT_EQ(voices[0].sampleRate, 0.0);
}

TEST(SampleRate, OnlyPositiveFiniteRatesAreUsable)
{
    EXPECT_TRUE(isUsableSampleRate(44100.0));
    EXPECT_TRUE(isUsableSampleRate(1e-3));
    for (double r : {0.0, -0.0, -44100.0, std::numeric_limits<double>::infinity(), std::nan("")})
        EXPECT_FALSE(isUsableSampleRate(r)) << r;
}

} // namespace
} // namespace dravik
