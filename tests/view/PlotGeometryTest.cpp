#include "view/PlotGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace dravik {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t kMaxBin = std::numeric_limits<std::uint64_t>::max();

const double kNote24 = 440.0 * static_cast<double>(std::pow(2.f, -3.75f));
const double kNote113 = 440.0 * static_cast<double>(std::pow(2.f, 3.6666667f));

TEST(DrawnBinRange, LimitsClampsAndOrdersTheBins)
{
    const struct {
        const char* what;
        std::uint64_t binCount;
        bool limit;
        double minFrequency, maxFrequency;
        std::uint64_t fftSize;
        double sampleRate;
        std::uint64_t first, last;
    } cases[] = {
        {"scene defaults", 2049, true, kNote24, kNote113, 4096, 44100.0, 3, 519},
        {"no limit", 2049, false, kNote24, kNote113, 4096, 44100.0, 0, 2048},
        {"upper limit beyond the spectrum", 2049, true, 1000.0, 40000.0, 4096, 44100.0, 93, 2048},
        {"both limits beyond the spectrum", 2049, true, 30000.0, 40000.0, 4096, 44100.0, 2048, 2048},
        {"reversed range is swapped", 2049, true, kNote113, kNote24, 4096, 44100.0, 3, 519},
        {"collapsed to one bin", 2049, true, 1000.0, 1001.0, 4096, 44100.0, 93, 93},
        {"fftSize 0 draws everything", 2049, true, kNote24, kNote113, 0, 44100.0, 0, 2048},
        {"sample rate 0 draws everything", 2049, true, kNote24, kNote113, 4096, 0.0, 0, 2048},
        {"infinite maximum clamps to the last bin", 2049, true, kNote24, kInf, 4096, 44100.0, 3, 2048},
        {"NaN range gives bin 0", 2049, true, kNaN, kNaN, 4096, 44100.0, 0, 0},
        {"a single bin", 1, true, kNote24, kNote113, 4096, 44100.0, 0, 0},
    };
    for (const auto& c : cases) {
        const BinRange_t range =
            drawnBinRange(c.binCount, c.limit, c.minFrequency, c.maxFrequency, c.fftSize, c.sampleRate);
        EXPECT_EQ(range.first, c.first) << c.what;
        EXPECT_EQ(range.last, c.last) << c.what;
    }
}

TEST(PowerLevel, ClampsToTheUnitRangeAndTreatsNaNAsSilence)
{
    const struct {
        double power;
        float level;
    } cases[] = {{0.25, 0.25f}, {0.0, 0.f},  {1.0, 1.f},   {1.7, 1.f},   {-0.2, 0.f},
                 {kNaN, 0.f},   {kInf, 1.f}, {-kInf, 0.f}, {1e300, 1.f}, {-1e300, 0.f}};
    for (const auto& c : cases)
        EXPECT_EQ(powerLevel(c.power), c.level) << c.power;
}

TEST(PlotLevel, DecibelsRunFromTheFloorToTheTop)
{
    const struct {
        double power;
        float level;
    } cases[] = {
        {1.0, 100.f / 120.f},   // 0 dB
        {100.0, 1.f},           // +20 dB, the top
        {1.0e4, 1.f},           // above the top
        {1.0e-10, 0.f},         // -100 dB, the floor
        {1.0e-12, 0.f},         // below the floor
        {1.0e-5, 50.f / 120.f}, // -50 dB
        {0.0, 0.f},
        {-1.0, 0.f},
        {kNaN, 0.f},
        {kInf, 1.f},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(plotLevel(c.power, PowerScale::Decibels), c.level, 1e-6f) << c.power;
    EXPECT_EQ(plotLevel(0.25, PowerScale::Linear), 0.25f);
    EXPECT_EQ(plotLevel(1.7, PowerScale::Linear), 1.f);
}

} // namespace
} // namespace dravik
