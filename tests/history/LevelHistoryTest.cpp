#include "history/LevelHistory.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace dravik {
namespace {

constexpr double rate = 44100.0;

// A spectrum of fftSize / 2 + 1 bins at power 1e-12 with one bin at the given power.
std::vector<SpectrumBin> spectrumWithPeak(std::uint64_t fftSize, double frequency, double power)
{
    std::vector<SpectrumBin> bins(fftSize / 2 + 1, SpectrumBin{1e-6, 1e-12});
    const auto bin = static_cast<std::size_t>(std::lround(frequency * static_cast<double>(fftSize) / rate));
    bins[bin].power = power;
    return bins;
}

MagnitudeSpectrum view(const std::vector<SpectrumBin>& bins)
{
    return {bins.data(), bins.size()};
}

std::size_t loudestRow(const LevelHistory& history, std::size_t column)
{
    std::size_t best = 0;
    for (std::size_t row = 1; row < history.rowCount(); ++row) {
        if (history.column(column)[row] > history.column(column)[best])
            best = row;
    }
    return best;
}

TEST(LevelHistory, RowsRunEvenlyInNotesFromTheFirstNoteColumn)
{
    const SpectrogramLayout_t layout;
    EXPECT_EQ(layout.rowCount(), 89u * 4u);
    EXPECT_DOUBLE_EQ(layout.rowNote(0), 23.625);
    // The rows of note 69 straddle its centre.
    EXPECT_DOUBLE_EQ((layout.rowNote(45 * 4 + 1) + layout.rowNote(45 * 4 + 2)) / 2.0, 69.0);
}

// A tone lands in the rows of its note whether bins are narrower than rows
// (high notes) or wider (low notes, a short window).
TEST(LevelHistory, APeakLandsInItsNotesRows)
{
    struct Case {
        std::uint64_t fftSize;
        double frequency;
        std::int32_t note;
    };
    for (const Case& c : {Case{16384, 440.0, 69}, Case{65536, 3520.0, 105}, Case{4096, 110.0, 45}}) {
        LevelHistory history(4, SpectrogramLayout_t{});
        const std::vector<SpectrumBin> bins = spectrumWithPeak(c.fftSize, c.frequency, 0.01);
        ASSERT_TRUE(history.add(view(bins), c.fftSize, rate, 1.0));
        // Rows 1 and 2 of a note's four meet at its centre.
        const auto rowOf = [](std::int32_t note) { return static_cast<std::size_t>(note - 24) * 4 + 1; };
        const float centre = std::max(history.column(0)[rowOf(c.note)], history.column(0)[rowOf(c.note) + 1]);
        EXPECT_NEAR(centre, -20.0f, 0.01f) << c.frequency << " Hz, window " << c.fftSize;
        EXPECT_EQ(history.column(0)[rowOf(c.note + 3)], spectrogramscale::floorDb);
        EXPECT_EQ(history.column(0)[rowOf(c.note - 3)], spectrogramscale::floorDb);
    }
}

TEST(LevelHistory, ValuesStayOnTheScale)
{
    LevelHistory history(2, SpectrogramLayout_t{});
    std::vector<SpectrumBin> bins = spectrumWithPeak(4096, 440.0, 1e6);
    bins[10].power = std::nan("");
    ASSERT_TRUE(history.add(view(bins), 4096, rate, 0.0));
    for (std::size_t row = 0; row < history.rowCount(); ++row) {
        EXPECT_GE(history.column(0)[row], spectrogramscale::floorDb);
        EXPECT_LE(history.column(0)[row], spectrogramscale::topDb);
    }
}

TEST(LevelHistory, UnusableInputAddsNothing)
{
    LevelHistory history(2, SpectrogramLayout_t{});
    const std::vector<SpectrumBin> bins = spectrumWithPeak(4096, 440.0, 0.01);
    EXPECT_FALSE(history.add({}, 4096, rate, 0.0));
    EXPECT_FALSE(history.add(view(bins), 0, rate, 0.0));
    EXPECT_FALSE(history.add(view(bins), 4096, 0.0, 0.0));
    EXPECT_FALSE(history.add(view(bins), 4096, std::nan(""), 0.0));
    EXPECT_EQ(history.size(), 0u);
}

TEST(LevelHistory, FullRingKeepsTheLatestColumnsWithoutAllocating)
{
    LevelHistory history(3, SpectrogramLayout_t{});
    const std::vector<SpectrumBin> low = spectrumWithPeak(16384, 220.0, 0.01);
    const std::vector<SpectrumBin> high = spectrumWithPeak(16384, 880.0, 0.01);
    history.add(view(low), 16384, rate, 0.0);
    const std::uint64_t allocations = testing::allocationsDuring([&] {
        for (int i = 1; i <= 4; ++i)
            history.add(view(i % 2 == 0 ? low : high), 16384, rate, i);
    });
    EXPECT_EQ(allocations, 0u);
    ASSERT_EQ(history.size(), 3u);
    EXPECT_DOUBLE_EQ(history.time(0), 2.0);
    EXPECT_DOUBLE_EQ(history.time(2), 4.0);
    EXPECT_EQ(history.newestSlot(), history.slotOf(2));
    EXPECT_NEAR(history.layout().rowNote(loudestRow(history, 2)), 57.0, 0.5);
    EXPECT_NEAR(history.layout().rowNote(loudestRow(history, 1)), 81.0, 0.5);
}

} // namespace
} // namespace dravik
