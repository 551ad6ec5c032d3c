#include "analysis/PeakEstimate.h"

#include "analysis/FFTWRingBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace dravik {
namespace {

constexpr double twoPi = 6.283185307179586;
constexpr double sampleRate = 44100.0;

// The spectrum of the first complete window of a sine at frequency Hz.
std::vector<SpectrumBin> spectrumOfSine(double frequency, std::uint32_t windowSize, WindowingType type,
                                        double amplitude = 0.8)
{
    FFTParams_t params;
    params.windowSize = windowSize;
    params.blockSize = 1024;
    params.windowingType = type;
    FFTWRingBuffer fft{params};
    std::vector<double> block(params.blockSize);
    std::uint64_t n = 0;
    while (!fft.isReady()) {
        for (double& sample : block)
            sample = amplitude * std::sin(twoPi * frequency * static_cast<double>(n++) / sampleRate);
        fft.pushBlock(block.data(), block.size());
    }
    const MagnitudeSpectrum spectrum = fft.compute();
    return {spectrum.begin(), spectrum.end()};
}

TEST(SpectrumPeak, ParabolaVertexBetweenThreeSamples)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double left, centre, right, offset;
    } cases[] = {
        {1.0, 2.0, 1.0, 0.0}, // symmetric
        {0.0, 1.0, 0.5, 1.0 / 6.0}, {0.5, 1.0, 0.0, -1.0 / 6.0},
        {0.0, 1.0, 1.0, 0.5}, // vertex half way to the right neighbour
        {1.0, 1.0, 1.0, 0.0}, // flat: no vertex
        {2.0, 1.0, 2.0, 0.0}, // a dip
        {0.0, 1.0, 5.0, 0.0}, // rising: curvature positive
        {0.0, 1.0, 1.5, 0.5}, // right neighbour higher: clamped to half a sample
        {nan, 1.0, 0.5, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(parabolicOffset(c.left, c.centre, c.right), c.offset, 1e-12)
            << c.left << ", " << c.centre << ", " << c.right;
}

// The analysed sine's frequency read back from its spectrum, for each window.
TEST(SpectrumPeak, ReadsASineBetweenBins)
{
    const struct {
        double frequency;
        std::uint32_t windowSize;
        WindowingType type;
        double tolerance; // Hz
    } cases[] = {
        {441.3, 16384, WindowingType::Hann, 0.1},
        {441.3, 16384, WindowingType::Blackman, 0.1},
        {441.3, 16384, WindowingType::Hamming, 0.1},
        {441.3, 4096, WindowingType::Hann, 0.4},
        {1000.0, 4096, WindowingType::Blackman, 0.3},
        {55.0, 65536, WindowingType::Hann, 0.03},
        {5000.0 + 0.5 * sampleRate / 16384, 16384, WindowingType::Hann, 0.1}, // half way between bins
    };
    for (const auto& c : cases) {
        const std::vector<SpectrumBin> bins = spectrumOfSine(c.frequency, c.windowSize, c.type);
        const SpectrumPeak_t peak = findSpectrumPeak({bins.data(), bins.size()}, sampleRate / c.windowSize);
        ASSERT_TRUE(peak.valid);
        EXPECT_NEAR(peak.frequency, c.frequency, c.tolerance)
            << "window " << c.windowSize << ", type " << static_cast<int>(c.type);
        EXPECT_EQ(peak.power, bins[peak.bin].power);
    }
}

TEST(SpectrumPeak, NeedsThreeBinsAWidthAndSomethingAboveSilence)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<SpectrumBin> silent(9, SpectrumBin{0.0, 0.0});
    std::vector<SpectrumBin> ends(9, SpectrumBin{0.1, 0.01});
    ends.front() = {5.0, 25.0}; // DC and Nyquist have no two neighbours
    ends.back() = {5.0, 25.0};
    std::vector<SpectrumBin> lone(9, SpectrumBin{0.0, 0.0});
    lone[4] = {1.0, 1.0}; // neighbours of zero magnitude: no refinement, the bin itself
    std::vector<SpectrumBin> withNan(9, SpectrumBin{0.1, 0.01});
    withNan[3] = {nan, nan};
    withNan[6] = {0.5, 0.25};

    EXPECT_FALSE(findSpectrumPeak({silent.data(), 2}, 10.0).valid);
    EXPECT_FALSE(findSpectrumPeak({silent.data(), silent.size()}, 10.0).valid);
    for (const double width : {0.0, -1.0, nan, inf})
        EXPECT_FALSE(findSpectrumPeak({lone.data(), lone.size()}, width).valid) << width;

    const SpectrumPeak_t atEnds = findSpectrumPeak({ends.data(), ends.size()}, 10.0);
    EXPECT_TRUE(atEnds.valid);
    EXPECT_EQ(atEnds.bin, 1u);
    const SpectrumPeak_t single = findSpectrumPeak({lone.data(), lone.size()}, 10.0);
    EXPECT_EQ(single.bin, 4u);
    EXPECT_DOUBLE_EQ(single.frequency, 40.0);
    EXPECT_EQ(findSpectrumPeak({withNan.data(), withNan.size()}, 10.0).bin, 6u);
}

TEST(SpectrumPeak, DecibelsOfPower)
{
    EXPECT_DOUBLE_EQ(powerDecibels(1.0), 0.0);
    EXPECT_DOUBLE_EQ(powerDecibels(0.01), -20.0);
    EXPECT_DOUBLE_EQ(powerDecibels(1.0e-10), -100.0);
    EXPECT_DOUBLE_EQ(powerDecibels(0.0), -300.0);
    EXPECT_DOUBLE_EQ(powerDecibels(-1.0), -300.0);
    EXPECT_DOUBLE_EQ(powerDecibels(std::numeric_limits<double>::quiet_NaN()), -300.0);
}

} // namespace
} // namespace dravik
