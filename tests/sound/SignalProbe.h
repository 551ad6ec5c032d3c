#pragma once

// Measurements on rendered 16-bit stereo output for the sound tests.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dravik::probe {

inline constexpr double outputRate = 44100.0;
inline constexpr double fullScale = 32767.0;
inline constexpr double pi = 3.141592653589793;

// One channel of interleaved stereo samples, as doubles.
inline std::vector<double> channel(const std::vector<std::int16_t>& frames, std::size_t which)
{
    std::vector<double> out;
    out.reserve(frames.size() / 2);
    for (std::size_t i = which; i < frames.size(); i += 2) {
        out.push_back(frames[i]);
    }
    return out;
}

inline std::vector<double> slice(const std::vector<double>& x, std::size_t from, std::size_t to)
{
    to = std::min(to, x.size());
    return std::vector<double>(x.begin() + static_cast<std::ptrdiff_t>(std::min(from, to)),
                               x.begin() + static_cast<std::ptrdiff_t>(to));
}

inline double peak(const std::vector<double>& x)
{
    double p = 0.0;
    for (double v : x) {
        p = std::max(p, std::abs(v));
    }
    return p;
}

inline double largestStep(const std::vector<double>& x)
{
    double step = 0.0;
    for (std::size_t i = 1; i < x.size(); ++i) {
        step = std::max(step, std::abs(x[i] - x[i - 1]));
    }
    return step;
}

// Frequency from the rising zero crossings, each placed by linear
// interpolation; 0 when fewer than two are found.
inline double zeroCrossingFrequency(const std::vector<double>& x, double rate = outputRate)
{
    double first = -1.0;
    double last = -1.0;
    std::size_t crossings = 0;
    for (std::size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < 0.0 && x[i] >= 0.0) {
            const double t = static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            if (crossings == 0) {
                first = t;
            }
            last = t;
            ++crossings;
        }
    }
    if (crossings < 2) {
        return 0.0;
    }
    return static_cast<double>(crossings - 1) * rate / (last - first);
}

// Peak amplitude of the component at frequency, from a Hann-windowed DFT term.
inline double toneAmplitude(const std::vector<double>& x, double frequency, double rate = outputRate)
{
    std::complex<double> acc = 0.0;
    double windowSum = 0.0;
    const double n = static_cast<double>(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i);
        const double w = 0.5 - 0.5 * std::cos(2.0 * pi * t / n);
        acc += w * x[i] * std::polar(1.0, -2.0 * pi * frequency * t / rate);
        windowSum += w;
    }
    return 2.0 * std::abs(acc) / windowSum;
}

inline double cents(double measured, double expected)
{
    return 1200.0 * std::log2(measured / expected);
}

inline double decibels(double ratio)
{
    return 20.0 * std::log10(ratio);
}

} // namespace dravik::probe
