#include "view/FrequencyGrid.h"

#include "analysis/BinFrequency.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dravik {

namespace {

// Beyond 2^53 bin numbers are no longer exact doubles, and the tick
// arithmetic (i * span with i < maxLinearTicks) must not wrap 64 bits.
constexpr double maxTickBin = 9007199254740992.0; // 2^53

// A tick this many plot widths away is off any view; the bound keeps the
// conversion to float defined for absurd ranges.
constexpr double maxAxisFraction = 1.0e6;

} // namespace

namespace {

bool isLogarithmic(const FrequencyAxis_t& axis)
{
    return axis.scale == FrequencyScale::Logarithmic;
}

// Whether the axis maps frequencies at all: an increasing range, above 0 Hz
// when logarithmic.
bool hasUsableRange(const FrequencyAxis_t& axis)
{
    if (!(axis.maxFrequency - axis.minFrequency > 0.0))
        return false;
    return !isLogarithmic(axis) || (axis.minFrequency > 0.0 && std::isfinite(axis.maxFrequency));
}

} // namespace

float frequencyToX(const FrequencyAxis_t& axis, double frequency)
{
    if (!hasUsableRange(axis))
        return axis.left;
    double r = 0.0;
    if (!isLogarithmic(axis))
        r = (frequency - axis.minFrequency) / (axis.maxFrequency - axis.minFrequency);
    else if (frequency > 0.0)
        r = std::log(frequency / axis.minFrequency) / std::log(axis.maxFrequency / axis.minFrequency);
    else
        r = -maxAxisFraction;
    r = std::clamp(r, -maxAxisFraction, maxAxisFraction);
    return axis.left + static_cast<float>(r) * axis.width;
}

double xToFrequency(const FrequencyAxis_t& axis, float x)
{
    if (!hasUsableRange(axis) || !(axis.width > 0.f))
        return axis.minFrequency;
    const double r = static_cast<double>(x - axis.left) / static_cast<double>(axis.width);
    if (!isLogarithmic(axis))
        return axis.minFrequency + r * (axis.maxFrequency - axis.minFrequency);
    return axis.minFrequency * std::pow(axis.maxFrequency / axis.minFrequency, r);
}

void linearTicks(double minFrequency, double maxFrequency, std::uint64_t fftSize, double sampleRate,
                 std::uint32_t count, std::vector<double>& ticks)
{
    ticks.clear();
    if (count < 2 || count > maxLinearTicks || fftSize == 0)
        return;
    const double binWidth = binSpacing(sampleRate, fftSize);
    if (!isUsableSpacing(binWidth))
        return;
    const double low = std::floor(minFrequency / binWidth);
    const double high = std::ceil(maxFrequency / binWidth);
    if (!(low >= 0.0 && low <= maxTickBin) || !(high >= 0.0 && high <= maxTickBin))
        return;
    const auto first = static_cast<std::uint64_t>(low);
    const auto last = static_cast<std::uint64_t>(high);
    if (last <= first)
        return;
    const std::uint64_t span = last - first;
    const std::uint64_t steps = count - 1;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t bin = first + (i * span) / steps;
        ticks.push_back(static_cast<double>(bin) * binWidth);
    }
}

void logTicks(double minFrequency, double maxFrequency, std::vector<LogTick>& ticks)
{
    ticks.clear();
    if (!(minFrequency > 0.0) || !(minFrequency < maxFrequency) || !std::isfinite(maxFrequency))
        return;
    // Both logarithms lie within about ±324 here, so the conversions are exact.
    const auto lowP = static_cast<std::int32_t>(std::floor(std::log10(minFrequency)));
    const auto highP = static_cast<std::int32_t>(std::ceil(std::log10(maxFrequency)));
    for (std::int32_t p = lowP; p <= highP; ++p) {
        const double m = std::pow(10.0, p);
        for (std::int32_t d = 1; d <= 9; ++d) {
            const double v = d * m;
            if (v < minFrequency || v > maxFrequency)
                continue;
            const bool major = d == 1 || d == 2 || d == 5;
            const std::int32_t level = d == 1 ? 0 : d == 2 ? 1 : d == 5 ? 2 : 99;
            ticks.push_back(LogTick{v, major, level});
        }
    }
}

std::string formatFrequency(double frequency)
{
    // Wide enough for the longest %.1f of a double (309 digits) and the unit.
    char text[400];
    if (frequency >= 1000.0)
        std::snprintf(text, sizeof text, "%.1f kHz", frequency / 1000.0);
    else
        std::snprintf(text, sizeof text, "%.0f Hz", frequency);
    return text;
}

bool logLabelFits(float x, float left, float width)
{
    return x >= left + logLabelEdgeMargin && x <= left + width - logLabelEdgeMargin;
}

bool logLabelsCollide(const sf::FloatRect& a, const sf::FloatRect& b)
{
    return b.left <= a.left + a.width + logLabelMinGap && a.left <= b.left + b.width + logLabelMinGap;
}

sf::Color logLabelColour(std::int32_t level)
{
    switch (level) {
    case 0:
        return {230, 230, 150, 255};
    case 1:
        return {210, 210, 120, 255};
    default:
        return {180, 180, 100, 255};
    }
}

} // namespace dravik
