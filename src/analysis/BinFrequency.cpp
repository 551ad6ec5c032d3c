#include "analysis/BinFrequency.h"

#include <cmath>

namespace dravik {

std::int32_t nearestBin(double position)
{
    constexpr std::int32_t maxIndex = std::numeric_limits<std::int32_t>::max();
    if (!(position > -0.5))
        return -1;
    if (position >= static_cast<double>(maxIndex))
        return maxIndex;
    return static_cast<std::int32_t>(std::lround(position));
}

std::uint64_t binIndex(double frequency, std::uint64_t fftSize, double sampleRate)
{
    if (fftSize == 0 || !(sampleRate > 0.0))
        return 0;
    const double bin = std::round(static_cast<double>(fftSize) * frequency / sampleRate);
    if (!(bin > 0.0))
        return 0;
    if (bin >= 18446744073709551616.0) // 2^64
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(bin);
}

} // namespace dravik
