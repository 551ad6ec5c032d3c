#include "view/FrequencyGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace dravik {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// MIDI notes 24 and 113 as the application computes them.
const double kNote24 = 440.0 * static_cast<double>(std::pow(2.f, -3.75f));
const double kNote113 = 440.0 * static_cast<double>(std::pow(2.f, 3.6666667f));
constexpr double kBinWidth = 44100.0 / 4096.0; // 10.7666015625 Hz

const FrequencyAxis_t kDefaultAxis{kNote24, kNote113, 20.f, 1240.f};

TEST(LinearTicks, DefaultRangeGivesSixteenBinAlignedTicks)
{
    std::vector<double> ticks;
    linearTicks(kNote24, kNote113, 4096, 44100.0, 16, ticks);

    const std::vector<std::uint64_t> bins{3, 37, 71, 106, 140, 175, 209, 243, 278, 312, 347, 381, 415, 450, 484, 519};
    ASSERT_EQ(ticks.size(), bins.size());
    for (std::size_t i = 0; i < bins.size(); ++i)
        EXPECT_DOUBLE_EQ(ticks[i], static_cast<double>(bins[i]) * kBinWidth) << "tick " << i;

    // The outer ticks are the bins just outside the range, so just outside the plot.
    EXPECT_NEAR(frequencyToX(kDefaultAxis, ticks.front()), 19.91f, 0.005f);
    EXPECT_NEAR(frequencyToX(kDefaultAxis, ticks.back()), 1260.05f, 0.005f);
}

TEST(LinearTicks, RefusesCountsAndRangesItCannotPlace)
{
    struct Case {
        const char* what;
        double minFrequency, maxFrequency;
        std::uint64_t fftSize;
        double sampleRate;
        std::uint32_t count;
    };
    const Case cases[] = {
        {"count 0", kNote24, kNote113, 4096, 44100.0, 0},
        {"count 1", kNote24, kNote113, 4096, 44100.0, 1},
        {"count beyond the cap", kNote24, kNote113, 4096, 44100.0, maxLinearTicks + 1},
        {"count 2^32 - 1", kNote24, kNote113, 4096, 44100.0, UINT32_MAX},
        {"fftSize 0", kNote24, kNote113, 0, 44100.0, 16},
        {"sample rate 0", kNote24, kNote113, 4096, 0.0, 16},
        {"negative sample rate", kNote24, kNote113, 4096, -44100.0, 16},
        {"NaN sample rate", kNote24, kNote113, 4096, kNaN, 16},
        {"infinite sample rate", kNote24, kNote113, 4096, kInf, 16},
        {"negative minimum", -100.0, kNote113, 4096, 44100.0, 16},
        {"NaN minimum", kNaN, kNote113, 4096, 44100.0, 16},
        {"infinite maximum", kNote24, kInf, 4096, 44100.0, 16},
        {"maximum beyond 2^53 bins", kNote24, 1e300, 4096, 44100.0, 16},
        {"tiny sample rate", kNote24, kNote113, 4096, 1e-300, 16},
        {"range on one bin frequency", 10 * kBinWidth, 10 * kBinWidth, 4096, 44100.0, 16},
        {"reversed range", kNote113, kNote24, 4096, 44100.0, 16},
    };
    for (const Case& c : cases) {
        std::vector<double> ticks{1.0, 2.0}; // stale content must go
        linearTicks(c.minFrequency, c.maxFrequency, c.fftSize, c.sampleRate, c.count, ticks);
        EXPECT_TRUE(ticks.empty()) << c.what;
    }
}

TEST(LinearTicks, LargestCountAndWidestRangeStayExact)
{
    // 2^53 bins of 1 Hz across 1024 ticks: i * span must not wrap 64 bits.
    const double top = 9007199254740992.0;
    std::vector<double> ticks;
    linearTicks(0.0, top, 1, 1.0, maxLinearTicks, ticks);
    ASSERT_EQ(ticks.size(), maxLinearTicks);
    EXPECT_EQ(ticks.front(), 0.0);
    EXPECT_EQ(ticks.back(), top);
    for (std::size_t i = 1; i < ticks.size(); ++i)
        ASSERT_LT(ticks[i - 1], ticks[i]);
}

TEST(FrequencyToX, MapsTheRangeLinearlyAndKeepsAbsurdFrequenciesFinite)
{
    EXPECT_FLOAT_EQ(frequencyToX(kDefaultAxis, kNote24), 20.f);
    EXPECT_FLOAT_EQ(frequencyToX(kDefaultAxis, kNote113), 1260.f);
    EXPECT_FLOAT_EQ(frequencyToX({100.0, 100.0, 20.f, 1240.f}, 5000.0), 20.f) << "empty range";
    EXPECT_FLOAT_EQ(frequencyToX({200.0, 100.0, 20.f, 1240.f}, 150.0), 20.f) << "reversed range";
    EXPECT_TRUE(std::isfinite(frequencyToX(kDefaultAxis, 1e300)));
    EXPECT_TRUE(std::isfinite(frequencyToX(kDefaultAxis, -1e300)));
    EXPECT_GT(frequencyToX(kDefaultAxis, 1e300), 1260.f);
}

TEST(FrequencyToX, LogarithmicAxisGivesEqualWidthsToEqualRatiosAndInvertsBothWays)
{
    // One octave per 100 units from 100 Hz.
    const FrequencyAxis_t octaves{100.0, 1600.0, 20.f, 400.f, FrequencyScale::Logarithmic};
    const struct {
        double frequency;
        float x;
    } cases[] = {{100.0, 20.f},   {200.0, 120.f}, {400.0, 220.f},
                 {1600.0, 420.f}, {50.0, -80.f},  {100.0 * std::sqrt(2.0), 70.f}};
    for (const auto& c : cases) {
        EXPECT_NEAR(frequencyToX(octaves, c.frequency), c.x, 1e-3f) << c.frequency;
        EXPECT_NEAR(xToFrequency(octaves, c.x), c.frequency, c.frequency * 1e-6) << c.x;
    }
    for (const float x : {20.f, 333.3f, 1260.f, -50.f})
        EXPECT_NEAR(frequencyToX(kDefaultAxis, xToFrequency(kDefaultAxis, x)), x, 1e-3f) << "linear, x " << x;

    // 0 Hz and below lie far to the left, still finite.
    EXPECT_LT(frequencyToX(octaves, 0.0), -1.0e6f);
    EXPECT_TRUE(std::isfinite(frequencyToX(octaves, -5.0)));
    EXPECT_TRUE(std::isfinite(frequencyToX(octaves, 1e-300)));
    // No logarithm of the range, or no width: everything at the left, the minimum everywhere.
    for (const FrequencyAxis_t broken : {FrequencyAxis_t{0.0, 1600.0, 20.f, 400.f, FrequencyScale::Logarithmic},
                                         FrequencyAxis_t{-5.0, 1600.0, 20.f, 400.f, FrequencyScale::Logarithmic},
                                         FrequencyAxis_t{100.0, kInf, 20.f, 400.f, FrequencyScale::Logarithmic},
                                         FrequencyAxis_t{800.0, 100.0, 20.f, 400.f, FrequencyScale::Logarithmic}}) {
        EXPECT_FLOAT_EQ(frequencyToX(broken, 440.0), 20.f);
        EXPECT_EQ(xToFrequency(broken, 300.f), broken.minFrequency);
    }
    EXPECT_EQ(xToFrequency({100.0, 1600.0, 20.f, 0.f, FrequencyScale::Logarithmic}, 300.f), 100.0);
}

std::vector<double> frequenciesOf(const std::vector<LogTick>& ticks, bool major)
{
    std::vector<double> frequencies;
    for (const LogTick& tick : ticks)
        if (tick.major == major)
            frequencies.push_back(tick.frequency);
    return frequencies;
}

TEST(LogTicks, DefaultRangeGivesDigitsOneToNineOfEachDecade)
{
    std::vector<LogTick> ticks;
    logTicks(kNote24, kNote113, ticks);

    EXPECT_EQ(frequenciesOf(ticks, false),
              (std::vector<double>{40, 60, 70, 80, 90, 300, 400, 600, 700, 800, 900, 3000, 4000}));
    EXPECT_EQ(frequenciesOf(ticks, true), (std::vector<double>{50, 100, 200, 500, 1000, 2000, 5000}));
    for (std::size_t i = 1; i < ticks.size(); ++i)
        EXPECT_LT(ticks[i - 1].frequency, ticks[i].frequency);
    for (const LogTick& tick : ticks) {
        const double digit = tick.frequency / std::pow(10.0, std::floor(std::log10(tick.frequency)));
        const std::int32_t expected = digit == 1 ? 0 : digit == 2 ? 1 : digit == 5 ? 2 : 99;
        EXPECT_EQ(tick.level, expected) << tick.frequency;
    }
}

TEST(LogTicks, KeepsCandidatesEqualToALimit)
{
    std::vector<LogTick> ticks;
    logTicks(100.0, 5000.0, ticks);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front().frequency, 100.0);
    EXPECT_EQ(ticks.back().frequency, 5000.0);
    EXPECT_TRUE(ticks.back().major);
}

TEST(LogTicks, RefusesRangesWithoutALogarithm)
{
    const struct {
        double minFrequency, maxFrequency;
    } cases[] = {{0.0, 5000.0}, {-10.0, 5000.0}, {kNaN, 5000.0}, {100.0, kNaN},
                 {100.0, kInf}, {5000.0, 100.0}, {100.0, 100.0}};
    for (const auto& c : cases) {
        std::vector<LogTick> ticks{{1.0, true, 0}};
        logTicks(c.minFrequency, c.maxFrequency, ticks);
        EXPECT_TRUE(ticks.empty()) << c.minFrequency << " .. " << c.maxFrequency;
    }
}

TEST(LogTicks, ExtremeFiniteRangeStaysBounded)
{
    std::vector<LogTick> ticks;
    logTicks(std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(), ticks);
    EXPECT_GT(ticks.size(), 600u * 9u);
    EXPECT_LT(ticks.size(), 635u * 9u);
    for (const LogTick& tick : ticks)
        ASSERT_TRUE(std::isfinite(tick.frequency) && tick.frequency > 0.0);
}

TEST(FormatFrequency, SwitchesToKilohertzAtOneThousandBeforeRounding)
{
    const struct {
        double frequency;
        const char* text;
    } cases[] = {
        {0.0, "0 Hz"},       {32.2998, "32 Hz"},   {397.99, "398 Hz"},   {999.4, "999 Hz"},    {999.6, "1000 Hz"},
        {1000.0, "1.0 kHz"}, {1076.66, "1.1 kHz"}, {2250.22, "2.3 kHz"}, {5587.65, "5.6 kHz"}, {22050.0, "22.1 kHz"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatFrequency(c.frequency), c.text) << c.frequency;

    const std::string huge = formatFrequency(1e300); // all 298 integer digits, no exponent
    EXPECT_GE(huge.size(), 298u);
    EXPECT_EQ(huge.substr(huge.size() - 4), " kHz");
}

TEST(LogLabelRules, EdgeMarginAndMinimumGap)
{
    EXPECT_FALSE(logLabelFits(35.99f, 20.f, 1240.f));
    EXPECT_TRUE(logLabelFits(36.f, 20.f, 1240.f));
    EXPECT_TRUE(logLabelFits(1244.f, 20.f, 1240.f));
    EXPECT_FALSE(logLabelFits(1244.01f, 20.f, 1240.f));

    const sf::FloatRect placed{100.f, 338.f, 40.f, 10.f}; // right edge at 140
    EXPECT_TRUE(logLabelsCollide({120.f, 338.f, 40.f, 10.f}, placed)) << "overlap";
    EXPECT_TRUE(logLabelsCollide({148.f, 338.f, 40.f, 10.f}, placed)) << "8 units apart";
    EXPECT_FALSE(logLabelsCollide({148.5f, 338.f, 40.f, 10.f}, placed)) << "more than 8 apart";
    EXPECT_TRUE(logLabelsCollide({52.f, 338.f, 40.f, 10.f}, placed)) << "8 units apart, on the left";
    EXPECT_FALSE(logLabelsCollide({51.5f, 338.f, 40.f, 10.f}, placed));
}

} // namespace
} // namespace dravik
