#include "app/PanelValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace dravik {
namespace {

// The two generator labels exactly as the panel prints them.
std::string freqLabel(const NotePosition_t& p)
{
    char text[64];
    std::snprintf(text, sizeof text, "[%0.2f - %0.2f) => %0.2f%%", p.low, p.high, p.percent);
    return text;
}

TEST(NotePosition, LabelsOfTypicalFrequencies)
{
    struct Case {
        double frequency;
        std::int32_t note;
        const char* label;
    };
    const Case cases[] = {
        {440.0, 69, "[440.00 - 466.16) => 0.00%"},
        {450.0, 69, "[440.00 - 466.16) => 38.22%"},
        {1000.0, 83, "[987.77 - 1046.50) => 20.83%"},
        {static_cast<double>(32.7032013f), 24, "[32.70 - 34.65) => 0.00%"},
        {static_cast<double>(5274.04102f), 112, "[5274.04 - 5587.65) => 0.00%"},
    };
    for (const Case& c : cases) {
        const NotePosition_t p = notePosition(c.frequency);
        ASSERT_TRUE(p.valid) << c.frequency;
        EXPECT_EQ(p.note, c.note) << c.frequency;
        EXPECT_EQ(freqLabel(p), c.label) << c.frequency;
    }
    // The slider limits sit just above their notes, not below.
    EXPECT_GT(notePosition(static_cast<double>(32.7032013f)).percent, 0.0);
    EXPECT_GT(notePosition(static_cast<double>(5274.04102f)).percent, 0.0);
}

TEST(NotePosition, TypedValuesWithoutANoteAreRefused)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (double f : {0.0, -0.0, -440.0, inf, -inf, std::nan("")})
        EXPECT_FALSE(notePosition(f).valid) << f;
    // Extremes that do have a note stay finite.
    for (double f : {1e-300, std::numeric_limits<double>::max()}) {
        const NotePosition_t p = notePosition(f);
        EXPECT_TRUE(p.valid) << f;
    }
}

TEST(OverlappingBlocks, FollowsTheHopRateIn32BitFloat)
{
    struct Case {
        std::uint32_t windowSize, blockSize;
        float hopRate;
        std::int32_t blocks;
    };
    const Case cases[] = {
        {4096, 128, 0.5f, 16},
        {4096, 128, 0.3f, 22}, // 32 * 0.7f is 22.3999996
        {4096, 128, 0.0f, 32},
        {4096, 128, 1.0f, 0},
        {262144, 64, 0.5f, 2048},
        {4096, 128, 2.0f, -32}, // typed beyond the slider: shown as stored
    };
    for (const Case& c : cases) {
        FFTParams_t params;
        params.windowSize = c.windowSize;
        params.blockSize = c.blockSize;
        params.hopRate = c.hopRate;
        const OverlapValue_t v = overlappingBlocks(params);
        ASSERT_TRUE(v.valid) << c.hopRate;
        EXPECT_EQ(v.blocks, c.blocks) << c.hopRate;
    }
}

TEST(OverlappingBlocks, NonFiniteOrHugeHopRatesHaveNoValue)
{
    FFTParams_t params;
    for (float hop : {std::nanf(""), std::numeric_limits<float>::infinity(), -1e30f}) {
        params.hopRate = hop;
        EXPECT_FALSE(overlappingBlocks(params).valid) << hop;
    }
    params.hopRate = 0.5f;
    params.blockSize = 0;
    EXPECT_TRUE(overlappingBlocks(params).valid);
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
