#include "analysis/Windowing.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

constexpr double twoPi = 6.283185307179586;

// The window coefficients are 32-bit constants widened to 64 bits.
constexpr double kHammingA0 = static_cast<double>(0.54f);  // 0.5400000214576721
constexpr double kHammingA1 = static_cast<double>(0.46f);  // 0.46000000834465027
constexpr double kBlackmanA0 = static_cast<double>(0.42f); // 0.41999998688697815
constexpr double kBlackmanA2 = static_cast<double>(0.08f); // 0.07999999821186066

// Angle of sample i in a symmetric window of n samples (n >= 2).
double angle(std::uint64_t i, std::uint64_t n)
{
    return (static_cast<double>(i) * twoPi) / static_cast<double>(n - 1);
}

// Samples between two restarts of the rotation from the library's values.
constexpr std::uint64_t rotationRun = 64;

} // namespace

void fillWindowCosines(double* out, std::uint64_t n)
{
    // A unit vector turned by one step per sample, restarted from cos and sin
    // of the exact angle every run so rounding cannot build up: a window of
    // 262144 samples costs a few thousand libm calls instead of one per sample.
    const std::uint64_t half = (n + 1) / 2;
    const double stepCos = std::cos(angle(1, n));
    const double stepSin = std::sin(angle(1, n));
    for (std::uint64_t start = 0; start < half; start += rotationRun) {
        double c = std::cos(angle(start, n));
        double s = std::sin(angle(start, n));
        const std::uint64_t end = std::min(start + rotationRun, half);
        for (std::uint64_t i = start; i < end; ++i) {
            out[i] = c;
            const double next = c * stepCos - s * stepSin;
            s = s * stepCos + c * stepSin;
            c = next;
        }
    }
    for (std::uint64_t i = half; i < n; ++i)
        out[i] = out[n - 1 - i];
}

void NoWindowing::apply(const double* source, double* destination, std::uint64_t n) const
{
    std::copy(source, source + n, destination);
}

void WindowingBase::apply(const double* source, double* destination, std::uint64_t n) const
{
    const std::uint64_t covered = std::min<std::uint64_t>(n, table.size());
    for (std::uint64_t i = 0; i < covered; ++i) {
        destination[i] = source[i] * table[i];
    }
    std::fill(destination + covered, destination + n, 0.0);
}

void HannWindowing::initialize(std::uint64_t n)
{
    buildTable(n, [](double c) { return (1.0 - c) * 0.5; });
}

void HammingWindowing::initialize(std::uint64_t n)
{
    buildTable(n, [](double c) { return kHammingA0 - c * kHammingA1; });
}

void BlackmanWindowing::initialize(std::uint64_t n)
{
    // cos 2 theta from cos theta: one table serves both terms.
    buildTable(n, [](double c) { return (kBlackmanA0 - c * 0.5) + (2.0 * c * c - 1.0) * kBlackmanA2; });
}

std::unique_ptr<IWindowing> createWindowing(WindowingType type)
{
    switch (type) {
    case WindowingType::Hann:
        return std::make_unique<HannWindowing>();
    case WindowingType::Hamming:
        return std::make_unique<HammingWindowing>();
    case WindowingType::Blackman:
        return std::make_unique<BlackmanWindowing>();
    case WindowingType::None:
        break;
    }
    return std::make_unique<NoWindowing>();
}

} // namespace dravik
