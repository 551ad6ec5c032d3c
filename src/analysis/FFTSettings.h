#pragma once

#include "analysis/FFTParams.h"
#include "shared/Setting.h"

#include <array>

namespace dravik {

// The items of the "Windowing Type" combo, in WindowingType's order.
inline constexpr SettingChoice_t windowingChoices[] = {
    {"none", "None"}, {"hann", "Hann"}, {"hamming", "Hamming"}, {"blackman", "Blackman"}};

// Every analysis setting a user chooses, as the "FFT Options" panel shows them.
// The panel shows no tooltips; the help is the options' text.
inline constexpr std::array fftSettings{
    setting::choice<FFTParams_t, WindowingType, &FFTParams_t::windowingType, 4,
                    static_cast<std::uint8_t>(WindowingType::Hann)>("window", "Windowing Type", "windowing-type",
                                                                    windowingChoices,
                                                                    "Window function: none, hann, hamming or blackman"),
    setting::real32("hop_rate", "FFT Hop Rate##1", "fft-hop-rate", &FFTParams_t::hopRate, {0.0, 1.0}, {0.0, 1.0},
                    "Hop as a fraction of the window")
        .formerly("hop-rate"),
    setting::size("window_size", "FFT Window Sizes", "fft-window-size", &FFTParams_t::windowSize, {4096.0, 262144.0},
                  {4096.0, 262144.0}, "Analysis window in samples, a power of two")
        .formerly("window"),
    setting::size("block_size", "FFT Process Block Size", "fft-block-size", &FFTParams_t::blockSize, {64.0, 4096.0},
                  {64.0, 4096.0}, "Samples per block, a power of two")
        .formerly("block"),
};

inline constexpr const Setting_t<FFTParams_t>& hopRateSetting = settingOf(fftSettings, "hop_rate");

} // namespace dravik
