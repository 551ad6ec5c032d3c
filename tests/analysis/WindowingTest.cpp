#include "analysis/Windowing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace dravik {
namespace {

// The window's values, read back by windowing a frame of ones.
std::vector<double> valuesOf(const IWindowing& window, std::uint64_t n)
{
    const std::vector<double> ones(n, 1.0);
    std::vector<double> values(n, -1.0);
    window.apply(ones.data(), values.data(), n);
    return values;
}

std::unique_ptr<IWindowing> initialized(WindowingType type, std::uint64_t n)
{
    std::unique_ptr<IWindowing> window = createWindowing(type);
    window->initialize(n);
    return window;
}

TEST(Windowing, FourPointTablesUseTheWidenedCoefficients)
{
    struct Case {
        WindowingType type;
        double end;    // w[0] == w[3]
        double middle; // w[1], w[2]
        double coherentGain;
        double rmsGain;
    };
    const Case cases[] = {
        {WindowingType::Hann, 0.0, 0.75, 0.375, 0.5303300858899107},
        {WindowingType::Hamming, 0.08000001311302185, 0.7700000256299975, 0.42500001937150955, 0.5474029784209619},
        // 0.42f + 0.08f falls short of 0.5, so the ends dip just below zero.
        {WindowingType::Blackman, -1.4901161193847656e-08, 0.6299999877810482, 0.31499998643994337,
         0.44547726350742123},
    };
    for (const Case& c : cases) {
        const auto window = initialized(c.type, 4);
        const std::vector<double> w = valuesOf(*window, 4);
        SCOPED_TRACE(static_cast<int>(c.type));
        EXPECT_NEAR(w[0], c.end, 1e-15);
        EXPECT_NEAR(w[1], c.middle, 1e-15);
        EXPECT_NEAR(w[2], c.middle, 1e-15);
        EXPECT_EQ(w[0], w[3]);
        EXPECT_NEAR(window->coherentGain(), c.coherentGain, 1e-15);
        EXPECT_NEAR(window->rmsGain(), c.rmsGain, 1e-15);
    }
}

TEST(Windowing, GainsOfAnAnalysisLengthTable)
{
    struct Case {
        WindowingType type;
        double coherentGain;
        double rmsGain;
    };
    const Case cases[] = {
        {WindowingType::Hann, 0.4998779296875, 0.6122976786381156},
        {WindowingType::Hamming, 0.5398877167681349, 0.6303210039514532},
        {WindowingType::Blackman, 0.41989744782404165, 0.5518384035298376},
    };
    for (const Case& c : cases) {
        const auto window = initialized(c.type, 4096);
        const std::vector<double> w = valuesOf(*window, 4096);
        SCOPED_TRACE(static_cast<int>(c.type));
        EXPECT_EQ(w.front(), w.back());
        EXPECT_NEAR(window->coherentGain(), c.coherentGain, 1e-12);
        EXPECT_NEAR(window->rmsGain(), c.rmsGain, 1e-12);
    }
}

TEST(Windowing, ShorterThanTwoSamplesIsAllOnes)
{
    for (const WindowingType type : {WindowingType::Hann, WindowingType::Hamming, WindowingType::Blackman}) {
        for (const std::uint64_t n : {0u, 1u}) {
            const auto window = initialized(type, n);
            SCOPED_TRACE(::testing::Message() << static_cast<int>(type) << ", n = " << n);
            EXPECT_EQ(valuesOf(*window, n), std::vector<double>(n, 1.0));
            EXPECT_EQ(window->coherentGain(), 1.0);
            EXPECT_EQ(window->rmsGain(), 1.0);
        }
    }
}

TEST(Windowing, RectangularWindowCopiesWithUnitGains)
{
    const auto window = initialized(WindowingType::None, 0);
    const std::vector<double> source{0.5, -2.0, 3.25};
    std::vector<double> destination(3);
    window->apply(source.data(), destination.data(), 3);
    EXPECT_EQ(destination, source);
    EXPECT_EQ(window->coherentGain(), 1.0);
    EXPECT_EQ(window->rmsGain(), 1.0);
}

TEST(Windowing, SamplesPastTheTableComeOutZero)
{
    const auto window = initialized(WindowingType::Hann, 4);
    const std::vector<double> w = valuesOf(*window, 6);
    EXPECT_EQ(w[4], 0.0);
    EXPECT_EQ(w[5], 0.0);

    const auto unsized = createWindowing(WindowingType::Blackman);
    EXPECT_EQ(valuesOf(*unsized, 3), std::vector<double>(3, 0.0));
    EXPECT_EQ(unsized->coherentGain(), 0.0);
    EXPECT_EQ(unsized->rmsGain(), 0.0);
}

// The tables are built by rotation, not one cos per sample: they must still
// match the library's cos closely at every length, odd and even.
TEST(Windowing, CosinesMatchTheLibraryAtEveryLength)
{
    for (const std::uint64_t n : {2u, 3u, 4u, 65u, 130u, 4096u, 262144u}) {
        std::vector<double> cosines(n);
        fillWindowCosines(cosines.data(), n);
        for (std::uint64_t i = 0; i < n; ++i) {
            const double angle = (static_cast<double>(i) * 6.283185307179586) / static_cast<double>(n - 1);
            ASSERT_NEAR(cosines[i], std::cos(angle), 1e-14) << "n " << n << ", i " << i;
            ASSERT_EQ(cosines[i], cosines[n - 1 - i]) << "n " << n << ", i " << i;
        }
    }
}

TEST(Windowing, FactoryMapsUnknownTypesToTheRectangularWindow)
{
    EXPECT_EQ(createWindowing(WindowingType::None)->type(), WindowingType::None);
    EXPECT_EQ(createWindowing(WindowingType::Hann)->type(), WindowingType::Hann);
    EXPECT_EQ(createWindowing(WindowingType::Hamming)->type(), WindowingType::Hamming);
    EXPECT_EQ(createWindowing(WindowingType::Blackman)->type(), WindowingType::Blackman);
    EXPECT_EQ(createWindowing(static_cast<WindowingType>(4))->type(), WindowingType::None);
    EXPECT_EQ(createWindowing(static_cast<WindowingType>(255))->type(), WindowingType::None);
}

} // namespace
} // namespace dravik
