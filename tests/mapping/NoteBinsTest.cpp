#include "mapping/NoteBins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

namespace dravik {
namespace {

TEST(NoteBins, NoteFrequencyFollowsTheReference)
{
    EXPECT_EQ(noteFrequency(69, 440.0), 440.0);
    EXPECT_EQ(noteFrequency(81, 440.0), 880.0);
    EXPECT_EQ(noteFrequency(57, 432.0), 216.0);
    // Equal temperament within a hundredth of a cent (the ratio is a 32-bit float).
    EXPECT_NEAR(1200.0 * std::log2(noteFrequency(60, 440.0) / 261.6255653005986), 0.0, 0.01);
    EXPECT_NEAR(1200.0 * std::log2(noteFrequency(12, 440.0) / 16.351597831287414), 0.0, 0.01);
}

} // namespace
} // namespace dravik
