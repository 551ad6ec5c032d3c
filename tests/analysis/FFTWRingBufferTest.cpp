#include "analysis/FFTWRingBuffer.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace dravik {
namespace {

constexpr double twoPi = 6.283185307179586;

FFTParams_t paramsWith(std::uint32_t windowSize, std::uint32_t blockSize, WindowingType type)
{
    FFTParams_t params;
    params.windowSize = windowSize;
    params.blockSize = blockSize;
    params.windowingType = type;
    return params;
}

// `cycles` whole periods of a sine per window of n samples.
std::vector<double> sine(std::uint64_t n, double cycles, double amplitude)
{
    std::vector<double> samples(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        samples[i] = std::sin(twoPi * cycles * static_cast<double>(i) / static_cast<double>(n)) * amplitude;
    }
    return samples;
}

// Pushes signal block by block until a hop completes; returns that spectrum.
MagnitudeSpectrum analyse(IFFT& fft, const std::vector<double>& signal, std::uint64_t blockSize)
{
    for (std::uint64_t start = 0; start + blockSize <= signal.size(); start += blockSize) {
        EXPECT_TRUE(fft.pushBlock(signal.data() + start, blockSize));
        if (fft.isReady()) {
            return fft.compute();
        }
    }
    return {};
}

TEST(FFTWRingBuffer, DefaultsYieldASpectrumAfterAWindowThenEveryHalfWindow)
{
    FFTWRingBuffer fft{FFTParams_t{}};
    const std::vector<double> block(128, 0.25);
    std::vector<int> ready;
    for (int push = 1; push <= 80; ++push) {
        fft.pushBlock(block.data(), block.size());
        const MagnitudeSpectrum spectrum = fft.compute();
        EXPECT_EQ(fft.isReady(), !spectrum.empty()) << "push " << push;
        if (fft.isReady()) {
            ready.push_back(push);
            EXPECT_EQ(spectrum.count, 2049u);
        }
    }
    EXPECT_EQ(ready, (std::vector<int>{32, 48, 64, 80}));
}

TEST(FFTWRingBuffer, ComputeLeavesTheRingAlone)
{
    FFTWRingBuffer fft{paramsWith(4096, 128, WindowingType::Hann)};
    const MagnitudeSpectrum spectrum = analyse(fft, sine(4096, 10.0, 0.5), 128);
    ASSERT_FALSE(spectrum.empty());
    const std::vector<SpectrumBin> first(spectrum.begin(), spectrum.end());

    const MagnitudeSpectrum again = fft.compute();
    EXPECT_TRUE(fft.isReady());
    ASSERT_EQ(again.count, first.size());
    for (std::uint64_t k = 0; k < again.count; ++k) {
        ASSERT_EQ(again[k].magnitude, first[k].magnitude) << "bin " << k;
        ASSERT_EQ(again[k].power, first[k].power) << "bin " << k;
    }
}

TEST(FFTWRingBuffer, SineOnABinReadsItsAmplitudeWhateverTheWindow)
{
    // 64 cycles per 4096-sample window, amplitude 0.8. Power is the magnitude
    // squared over the window's squared RMS gain; the neighbours show the
    // window's main lobe (a1 / 2a0 of the centre for the cosine windows).
    struct Case {
        WindowingType type;
        double power;
        double neighbour;
        double neighbourTolerance;
    };
    const Case cases[] = {
        {WindowingType::None, 0.64, 0.0, 1e-12},
        {WindowingType::Hann, 0.64 / (0.6122976786381156 * 0.6122976786381156), 0.4, 1e-3},
        {WindowingType::Hamming, 0.64 / (0.6303210039514532 * 0.6303210039514532), 0.23 / 0.54 * 0.8, 1e-3},
        {WindowingType::Blackman, 0.64 / (0.5518384035298376 * 0.5518384035298376), 0.25 / 0.42 * 0.8, 1e-3},
    };
    const std::vector<double> signal = sine(4096, 64.0, 0.8);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        FFTWRingBuffer fft{paramsWith(4096, 128, c.type)};
        const MagnitudeSpectrum spectrum = analyse(fft, signal, 128);
        ASSERT_EQ(spectrum.count, 2049u);
        EXPECT_NEAR(spectrum[64].magnitude, 0.8, 1e-6);
        EXPECT_NEAR(spectrum[64].power, c.power, 1e-5);
        EXPECT_NEAR(spectrum[63].magnitude, c.neighbour, c.neighbourTolerance);
        EXPECT_NEAR(spectrum[65].magnitude, c.neighbour, c.neighbourTolerance);
        EXPECT_LT(spectrum[70].magnitude, 1e-3);
    }
}

// Single-sided magnitudes of a Hann-windowed frame by a direct DFT, corrected
// by the window's coherent gain as the analyser does.
std::vector<double> hannMagnitudes(const std::vector<double>& frame)
{
    const std::size_t n = frame.size();
    std::vector<double> windowed(n);
    double gainSum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = (1.0 - std::cos(static_cast<double>(i) * twoPi / static_cast<double>(n - 1))) * 0.5;
        windowed[i] = frame[i] * w;
        gainSum += w;
    }
    const double coherentGain = gainSum / static_cast<double>(n);
    std::vector<double> cosine(n);
    std::vector<double> sineTable(n);
    for (std::size_t i = 0; i < n; ++i) {
        cosine[i] = std::cos(twoPi * static_cast<double>(i) / static_cast<double>(n));
        sineTable[i] = std::sin(twoPi * static_cast<double>(i) / static_cast<double>(n));
    }
    std::vector<double> magnitudes(n / 2 + 1);
    for (std::size_t k = 0; k < magnitudes.size(); ++k) {
        double re = 0.0;
        double im = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t phase = (k * i) % n;
            re += windowed[i] * cosine[phase];
            im -= windowed[i] * sineTable[phase];
        }
        const double twoSided = std::sqrt(re * re + im * im) / static_cast<double>(n);
        const bool mirrored = k != 0 && k != n / 2;
        magnitudes[k] = (mirrored ? 2.0 * twoSided : twoSided) / coherentGain;
    }
    return magnitudes;
}

TEST(FFTWRingBuffer, LaterHopsTransformTheLastWindowInTimeOrder)
{
    // After push 32 the ring's oldest block sits in slot 0; later hops start
    // the window mid-ring. A chirp whose level steps every block makes any
    // wrong start, order or stale block show in the magnitudes.
    struct Case {
        float hopRate;
        int pushes; // the oldest block then sits in slot pushes % 32
    };
    const Case cases[] = {{0.5f, 48}, {0.25f, 56}, {0.0f, 45}};
    constexpr std::uint64_t blockSize = 128;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "hop " << c.hopRate << ", push " << c.pushes);
        FFTParams_t params = paramsWith(4096, blockSize, WindowingType::Hann);
        params.hopRate = c.hopRate;
        FFTWRingBuffer fft{params};
        std::vector<double> pushed;
        for (int block = 0; block < c.pushes; ++block) {
            const double level = 0.2 + 0.1 * static_cast<double>(block % 7);
            for (std::uint64_t i = 0; i < blockSize; ++i) {
                const auto t = static_cast<double>(pushed.size());
                pushed.push_back(level * std::sin(twoPi * (0.01 * t + 2e-6 * t * t)));
            }
            ASSERT_TRUE(fft.pushBlock(pushed.data() + pushed.size() - blockSize, blockSize));
        }
        ASSERT_TRUE(fft.isReady());
        const MagnitudeSpectrum spectrum = fft.compute();
        ASSERT_EQ(spectrum.count, 2049u);

        const std::vector<double> expected = hannMagnitudes(std::vector<double>(pushed.end() - 4096, pushed.end()));
        const double rmsGain = 0.6122976786381156;
        for (std::uint64_t k = 0; k < spectrum.count; ++k) {
            ASSERT_NEAR(spectrum[k].magnitude, expected[k], 1e-9) << "bin " << k;
            ASSERT_NEAR(spectrum[k].power, expected[k] * expected[k] / (rmsGain * rmsGain), 1e-9) << "bin " << k;
        }
    }
}

TEST(FFTWRingBuffer, DcAndNyquistAreNotDoubled)
{
    std::vector<double> alternating(4096);
    for (std::size_t i = 0; i < alternating.size(); ++i) {
        alternating[i] = i % 2 == 0 ? 0.3 : -0.3;
    }
    struct Case {
        std::vector<double> signal;
        std::uint64_t bin;
    };
    const Case cases[] = {{std::vector<double>(4096, 0.3), 0}, {alternating, 2048}};
    for (const Case& c : cases) {
        FFTWRingBuffer fft{paramsWith(4096, 128, WindowingType::None)};
        const MagnitudeSpectrum spectrum = analyse(fft, c.signal, 128);
        ASSERT_EQ(spectrum.count, 2049u);
        EXPECT_NEAR(spectrum[c.bin].magnitude, 0.3, 1e-12) << "bin " << c.bin;
        EXPECT_NEAR(spectrum[c.bin].power, 0.09, 1e-12) << "bin " << c.bin;
        EXPECT_NEAR(spectrum[1024].magnitude, 0.0, 1e-12);
    }
}

TEST(FFTWRingBuffer, LargestWindowHasHalfItsLengthPlusOneBins)
{
    FFTWRingBuffer fft{paramsWith(262144, 4096, WindowingType::Hann)};
    const MagnitudeSpectrum spectrum = analyse(fft, sine(262144, 1000.0, 0.5), 4096);
    ASSERT_EQ(spectrum.count, 131073u);
    EXPECT_NEAR(spectrum[1000].magnitude, 0.5, 1e-6);
}

// Analysers of one length share one plan; each must still transform its own
// window, also after an older one is gone.
TEST(FFTWRingBuffer, AnalysersOfOneLengthTransformTheirOwnWindows)
{
    const FFTParams_t params = paramsWith(4096, 128, WindowingType::None);
    auto first = std::make_unique<FFTWRingBuffer>(params);
    FFTWRingBuffer second{params};
    EXPECT_NEAR(analyse(*first, sine(4096, 64.0, 0.8), 128)[64].magnitude, 0.8, 1e-12);
    first.reset();
    FFTWRingBuffer third{params};
    const MagnitudeSpectrum fromSecond = analyse(second, sine(4096, 32.0, 0.5), 128);
    EXPECT_NEAR(fromSecond[32].magnitude, 0.5, 1e-12);
    EXPECT_NEAR(fromSecond[64].magnitude, 0.0, 1e-12);
    const MagnitudeSpectrum fromThird = analyse(third, sine(4096, 100.0, 0.25), 128);
    EXPECT_NEAR(fromThird[100].magnitude, 0.25, 1e-12);
    EXPECT_NEAR(fromThird[32].magnitude, 0.0, 1e-12);
}

TEST(FFTWRingBuffer, UnusableSettingsAcceptNoBlockAndYieldNoSpectrum)
{
    struct Case {
        std::uint32_t windowSize;
        std::uint32_t blockSize;
    };
    // No whole number of blocks per window, or (the last) a window too long
    // for FFTW that would need 32 GiB of ring.
    const Case cases[] = {{4096, 0}, {128, 4096}, {4096, 100}, {4096, 3},
                          {0, 128},  {0, 0},      {1, 2},      {2147483648u, 2147483648u}};
    const std::vector<double> samples(8192, 0.5);
    for (const Case c : cases) {
        SCOPED_TRACE(::testing::Message() << c.windowSize << " / " << c.blockSize);
        FFTWRingBuffer fft{paramsWith(c.windowSize, c.blockSize, WindowingType::Hann)};
        for (int push = 0; push < 100; ++push) {
            ASSERT_FALSE(fft.pushBlock(samples.data(), c.blockSize));
        }
        EXPECT_FALSE(fft.isReady());
        EXPECT_TRUE(fft.compute().empty());
    }
}

TEST(FFTWRingBuffer, OneSampleWindowIsItsOwnDcBin)
{
    FFTWRingBuffer fft{paramsWith(1, 1, WindowingType::Blackman)};
    const double sample = -0.7;
    ASSERT_TRUE(fft.pushBlock(&sample, 1));
    const MagnitudeSpectrum spectrum = fft.compute();
    ASSERT_EQ(spectrum.count, 1u);
    EXPECT_DOUBLE_EQ(spectrum[0].magnitude, 0.7);
}

TEST(FFTWRingBuffer, RefusedBlockChangesNothing)
{
    FFTWRingBuffer fft{FFTParams_t{}};
    const std::vector<double> block(128, 0.1);
    for (int push = 0; push < 31; ++push) {
        fft.pushBlock(block.data(), block.size());
    }
    EXPECT_FALSE(fft.pushBlock(block.data(), 127));
    EXPECT_FALSE(fft.pushBlock(nullptr, 128));
    EXPECT_FALSE(fft.isReady());
    EXPECT_TRUE(fft.pushBlock(block.data(), block.size()));
    EXPECT_TRUE(fft.isReady());
}

TEST(FFTWRingBuffer, ResetStartsFromAnEmptyWindow)
{
    FFTWRingBuffer fft{paramsWith(512, 128, WindowingType::None)};
    const std::vector<double> block(128, 1.0);
    for (int push = 0; push < 4; ++push) {
        fft.pushBlock(block.data(), block.size());
    }
    ASSERT_TRUE(fft.isReady());
    fft.reset();
    EXPECT_TRUE(fft.compute().empty());
    for (int push = 0; push < 3; ++push) {
        fft.pushBlock(block.data(), block.size());
        EXPECT_FALSE(fft.isReady());
    }
    fft.pushBlock(block.data(), block.size());
    EXPECT_TRUE(fft.isReady());
}

TEST(FFTWRingBuffer, PushingAndComputingAllocateNothing)
{
    FFTWRingBuffer fft{paramsWith(8192, 64, WindowingType::Hann)};
    const std::vector<double> signal = sine(8192, 100.0, 0.5);
    analyse(fft, signal, 64);

    const std::uint64_t before = testing::allocationCount();
    for (int hop = 0; hop < 8; ++hop) {
        EXPECT_FALSE(analyse(fft, signal, 64).empty());
    }
    EXPECT_EQ(testing::allocationCount(), before);
}

} // namespace
} // namespace dravik
