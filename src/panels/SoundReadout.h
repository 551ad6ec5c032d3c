#pragma once

#include <cstdint>

namespace dravik {

// Two lines about the sound output: the gain that keeps a loud sum of voices
// from clipping (marked while it acts), and how often the output ran dry.
void soundReadout(double outputGain, std::uint64_t underruns);

} // namespace dravik
