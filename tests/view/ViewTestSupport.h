#pragma once

#include "analysis/AnalysedWindow.h"
#include "view/FFTDebugView.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace dravik::testing {

// The view as the application configures it: MIDI notes 24 to 113, a 4096
// window at 44100 Hz, only the bins of that range drawn.
inline void configureAsScene(FFTDebugView& view)
{
    view.minFrequency = 440.0 * static_cast<double>(std::pow(2.f, -3.75f));
    view.maxFrequency = 440.0 * static_cast<double>(std::pow(2.f, 3.6666667f));
    view.limitToRange = true;
    view.fftSize = 4096;
    view.sampleRate = 44100.0;
    view.setPosition(0.f, 20.f);
}

inline MagnitudeSpectrum viewOf(const std::vector<SpectrumBin>& bins)
{
    return {bins.data(), bins.size()};
}

// The bins as a spectrum taken in the frame the view shows now.
inline Spectrum_t framed(const FFTDebugView& view, const std::vector<SpectrumBin>& bins)
{
    return {viewOf(bins), view.sampleRate, static_cast<std::uint32_t>(view.fftSize)};
}

// 2049 bins (a 4096 window) all at one power.
inline std::vector<SpectrumBin> flatSpectrum(double power, std::uint64_t binCount = 2049)
{
    return std::vector<SpectrumBin>(binCount, SpectrumBin{std::sqrt(std::fabs(power)), power});
}

} // namespace dravik::testing
