#include "analysis/Windowing.h"

#include <algorithm>

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

} // namespace

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
    buildTable(n, [n](std::uint64_t i) { return (1.0 - std::cos(angle(i, n))) * 0.5; });
}

void HammingWindowing::initialize(std::uint64_t n)
{
    buildTable(n, [n](std::uint64_t i) { return kHammingA0 - std::cos(angle(i, n)) * kHammingA1; });
}

void BlackmanWindowing::initialize(std::uint64_t n)
{
    buildTable(n, [n](std::uint64_t i) {
        const double theta = angle(i, n);
        return (kBlackmanA0 - std::cos(theta) * 0.5) + std::cos(theta + theta) * kBlackmanA2;
    });
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
