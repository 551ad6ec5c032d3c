#include "analysis/BinFrequency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace dravik {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t kMaxBin = std::numeric_limits<std::uint64_t>::max();

const double kNote24 = 440.0 * static_cast<double>(std::pow(2.f, -3.75f));
const double kNote113 = 440.0 * static_cast<double>(std::pow(2.f, 3.6666667f));

TEST(BinFrequency, BinIndexNearestHalfwayAwayFromZeroAndDefinedForAnyInput)
{
    const struct {
        const char* what;
        double frequency;
        std::uint64_t fftSize;
        double sampleRate;
        std::uint64_t bin;
    } cases[] = {
        {"MIDI note 24 (bin 3.04)", kNote24, 4096, 44100.0, 3},
        {"MIDI note 113 (bin 518.98)", kNote113, 4096, 44100.0, 519},
        {"halfway rounds up", 1.0, 2, 4.0, 1},
        {"just below halfway", 0.999, 2, 4.0, 0},
        {"Nyquist", 22050.0, 4096, 44100.0, 2048},
        {"fftSize 0", 1000.0, 0, 44100.0, 0},
        {"sample rate 0", 1000.0, 4096, 0.0, 0},
        {"negative sample rate", 1000.0, 4096, -44100.0, 0},
        {"NaN sample rate", 1000.0, 4096, kNaN, 0},
        {"negative frequency", -1000.0, 4096, 44100.0, 0},
        {"NaN frequency", kNaN, 4096, 44100.0, 0},
        {"huge frequency", 1e300, 4096, 44100.0, kMaxBin},
        {"infinite frequency", kInf, 4096, 44100.0, kMaxBin},
        {"negative infinite frequency", -kInf, 4096, 44100.0, 0},
        {"bin just below 2^64", 18446744073709549568.0, 1, 1.0, 18446744073709549568u},
        {"bin 2^64", 18446744073709551616.0, 1, 1.0, kMaxBin},
    };
    for (const auto& c : cases)
        EXPECT_EQ(binIndex(c.frequency, c.fftSize, c.sampleRate), c.bin) << c.what;
}

TEST(BinFrequency, NearestBinRoundsHalvesUpAndSaturates)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr std::int32_t maxIndex = std::numeric_limits<std::int32_t>::max();
    const std::pair<double, std::int32_t> cases[] = {
        {0.0, 0},
        {0.4999, 0},
        {0.5, 1},
        {20.43, 20},
        {40.5, 41},
        {-0.4, 0},
        {-0.5, -1},
        {-7.0, -1},
        {-inf, -1},
        {std::nan(""), -1},
        {2147483646.4, 2147483646},
        {3e9, maxIndex},
        {inf, maxIndex},
    };
    for (const auto& [position, bin] : cases)
        EXPECT_EQ(nearestBin(position), bin) << position;
}

} // namespace
} // namespace dravik
