#include "view/PlotGeometry.h"

#include "analysis/PeakEstimate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace dravik {

BinRange_t drawnBinRange(std::uint64_t binCount, bool limitToRange, double minFrequency, double maxFrequency,
                         std::uint64_t fftSize, double sampleRate)
{
    BinRange_t range{0, binCount - 1};
    if (limitToRange && fftSize != 0 && sampleRate > 0.0) {
        range.first = std::min(binCount - 1, binIndex(minFrequency, fftSize, sampleRate));
        range.last = std::min(binCount - 1, binIndex(maxFrequency, fftSize, sampleRate));
        if (range.last < range.first)
            std::swap(range.first, range.last);
    }
    return range;
}

float powerLevel(double power)
{
    // Clamped before narrowing, so powers beyond the float range stay defined.
    if (power > 1.0)
        return 1.f;
    if (power >= 0.0)
        return static_cast<float>(power);
    return 0.f;
}

float plotLevel(double power, PowerScale scale)
{
    if (scale == PowerScale::Linear)
        return powerLevel(power);
    const double level = (powerDecibels(power) - decibelscale::floor) / (decibelscale::top - decibelscale::floor);
    return static_cast<float>(std::clamp(level, 0.0, 1.0));
}

} // namespace dravik
