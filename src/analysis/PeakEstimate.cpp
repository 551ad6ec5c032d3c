#include "analysis/PeakEstimate.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

// Keeps the logarithm finite for bins of zero magnitude.
constexpr double smallestMagnitude = 1.0e-300;

double logMagnitude(double magnitude)
{
    return std::log(std::max(magnitude, smallestMagnitude));
}

} // namespace

double parabolicOffset(double left, double centre, double right)
{
    const double curvature = left - 2.0 * centre + right;
    if (!(curvature < 0.0) || !std::isfinite(curvature))
        return 0.0;
    const double offset = 0.5 * (left - right) / curvature;
    return std::clamp(offset, -0.5, 0.5);
}

SpectrumPeak_t findSpectrumPeak(MagnitudeSpectrum spectrum, double binWidth)
{
    SpectrumPeak_t peak{false, 0, 0.0, 0.0};
    if (spectrum.size() < 3 || !(binWidth > 0.0) || !std::isfinite(binWidth))
        return peak;
    double strongest = 0.0;
    for (std::uint64_t k = 1; k + 1 < spectrum.size(); ++k) {
        // NaN compares false and is never taken.
        if (spectrum[k].magnitude > strongest && std::isfinite(spectrum[k].magnitude)) {
            strongest = spectrum[k].magnitude;
            peak.bin = k;
        }
    }
    if (peak.bin == 0)
        return peak;
    const double offset = parabolicOffset(logMagnitude(spectrum[peak.bin - 1].magnitude), logMagnitude(strongest),
                                          logMagnitude(spectrum[peak.bin + 1].magnitude));
    peak.valid = true;
    peak.frequency = (static_cast<double>(peak.bin) + offset) * binWidth;
    peak.power = spectrum[peak.bin].power;
    return peak;
}

double powerDecibels(double power)
{
    if (!(power > 1.0e-30))
        return -300.0;
    return 10.0 * std::log10(power);
}

} // namespace dravik
