#include "panels/PlotReadouts.h"

#include <gtest/gtest.h>

#include <limits>

namespace dravik {
namespace {

TEST(PlotReadouts, PeakRowShowsFrequencyNoteAndLevel)
{
    const struct {
        SpectrumPeak_t peak;
        const char* text;
    } cases[] = {
        {{true, 41, 441.3, 0.5}, "441.30 Hz  A4 +5 c  -3.0 dB"},
        {{true, 3, 32.7032, 1.0e-6}, "32.70 Hz  C1 +0 c  -60.0 dB"},
        {{true, 9000, 96886.0, 1.0}, "96886.00 Hz  F#12 +39 c  0.0 dB"},
        {{true, 41, 440.0, 0.0}, "440.00 Hz  A4 +0 c  silent"},
        {{false, 0, 0.0, 0.0}, "-"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(peakReadoutText(c.peak).c_str(), c.text);
}

TEST(PlotReadouts, CursorOverlayShowsFrequencyNoteAndLevelOnlyOverThePlot)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        CursorReading_t reading;
        const char* text;
    } cases[] = {
        {{true, 441.43, true, 1.0}, "441.4 Hz\nA4 +6 c\n0.0 dB"},
        {{true, 30.87, true, 1.0e-4}, "30.9 Hz\nB0 +0 c\n-40.0 dB"},
        {{true, 5000.0, true, 2.0}, "5000.0 Hz\nD#8 +8 c\n3.0 dB"},
        {{true, 440.0, true, nan}, "440.0 Hz\nA4 +0 c\nsilent"},
        {{true, 440.0, false, 0.0}, "440.0 Hz\nA4 +0 c"},
        {{true, 0.0, true, 1.0}, "0.0 Hz\n-\n0.0 dB"},
        {{false, 440.0, true, 1.0}, ""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(cursorReadoutText(c.reading).c_str(), c.text);
}

TEST(PlotReadouts, NoteHoverNamesTheNoteAndWhetherItIsTracked)
{
    EXPECT_STREQ(noteHoverText(69, false).c_str(), "A4 (MIDI 69)");
    EXPECT_STREQ(noteHoverText(61, true).c_str(), "C#4 (MIDI 61)\ntracked");
    EXPECT_STREQ(noteHoverText(-1, true).c_str(), "");
}

} // namespace
} // namespace dravik
