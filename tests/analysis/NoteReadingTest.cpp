#include "analysis/NoteReading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace dravik {
namespace {

TEST(NoteReading, NamesNotesWithSharpsAndOctavesFromCMinusOne)
{
    const struct {
        std::int32_t note;
        const char* name;
    } cases[] = {
        {69, "A4"}, {60, "C4"},  {61, "C#4"}, {59, "B3"},  {0, "C-1"},   {11, "B-1"},  {12, "C0"},
        {24, "C1"}, {113, "F8"}, {127, "G9"}, {-1, "B-2"}, {-12, "C-2"}, {-13, "B-3"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(noteName(c.note).c_str(), c.name) << "note " << c.note;
}

TEST(NoteReading, FindsTheNearestNoteAndItsCents)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double frequency;
        double reference;
        const char* text;
    } cases[] = {
        {440.0, 440.0, "A4 +0 c"},
        {440.0 * std::pow(2.0, 3.0 / 1200.0), 440.0, "A4 +3 c"},
        {441.3, 440.0, "A4 +5 c"},
        {261.6255653, 440.0, "C4 +0 c"},
        {277.1826310 * std::pow(2.0, -12.0 / 1200.0), 440.0, "C#4 -12 c"},
        // Just below half way stays with the lower note; half way goes up.
        {440.0 * std::pow(2.0, 49.6 / 1200.0), 440.0, "A4 +50 c"},
        {440.0 * std::pow(2.0, 50.0 / 1200.0), 440.0, "A#4 -50 c"},
        // Slightly flat of the note: +0, never -0.
        {440.0 * std::pow(2.0, -0.2 / 1200.0), 440.0, "A4 +0 c"},
        {32.7031957, 440.0, "C1 +0 c"},
        {442.0, 442.0, "A4 +0 c"},
        {8.1757989, 440.0, "C-1 +0 c"},
        {4.0, 440.0, "C-2 -38 c"},
        {1.0e-300, 1.0, "D-992 +6 c"}, // far below hearing, still a note
        {5.0e-324, 440.0, "-"},        // the ratio underflows to 0
        {0.0, 440.0, "-"},
        {-440.0, 440.0, "-"},
        {nan, 440.0, "-"},
        {inf, 440.0, "-"},
        {440.0, 0.0, "-"},
        {440.0, nan, "-"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(formatNoteReading(nearestNote(c.frequency, c.reference)).c_str(), c.text)
            << c.frequency << " Hz at A4 = " << c.reference;
}

TEST(NoteReading, CentsStayWithinHalfASemitone)
{
    for (double f = 20.0; f < 20000.0; f *= 1.0137) {
        const NoteReading_t reading = nearestNote(f);
        ASSERT_TRUE(reading.valid);
        EXPECT_LE(std::fabs(reading.cents), 50.0) << f;
        EXPECT_NEAR(440.0 * std::pow(2.0, (reading.note - 69 + reading.cents / 100.0) / 12.0), f, f * 1e-12);
    }
}

} // namespace
} // namespace dravik
