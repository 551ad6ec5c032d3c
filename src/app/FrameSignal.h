#pragma once

#include "analysis/IFFT.h"
#include "audio/BlockMixer.h"
#include "audio/GeneratorEntry.h"

#include <cstdint>
#include <vector>

namespace dravik {

// The analysed signal of one frame. Every enabled generator renders one whole
// analysis window (windowSize samples as windowSize / blockSize blocks) and
// the mixer sums them; the mix is then pushed into the analyser block by block
// until a hop completes, and the rest of it is dropped, so a frame analyses
// at most once whatever the window and block sizes.

// Resets the mixer and mixes one window of every enabled generator. The
// result is empty when no generator is enabled.
SampleBlock mixEnabledGenerators(std::vector<GeneratorEntry>& generators, BlockMixer& mixer, const FFTParams_t& params);

struct FramePush_t {
    std::uint32_t blocksPushed;
    bool hopCompleted; // the last block pushed completed a hop: analyse now
};

FramePush_t pushUntilHop(IFFT& analyser, SampleBlock mix, std::uint32_t blockSize);

} // namespace dravik
