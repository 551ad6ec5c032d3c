#include "audio/NotePosition.h"

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

} // namespace
} // namespace dravik
