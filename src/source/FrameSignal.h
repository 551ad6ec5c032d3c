#pragma once

#include "analysis/IFFT.h"
#include "audio/BlockMixer.h"
#include "audio/GeneratorEntry.h"

#include <cstdint>
#include <vector>

namespace dravik {

// The analysed signal of one frame. Every enabled generator renders exactly
// the blocks the analyser needs for its next spectrum (a whole window while it
// fills, then one hop) and the mixer sums them. The generators' phases advance
// only by what is analysed, so every analysed window is one unbroken stretch
// of their signal, and a frame analyses at most once.

// Resets the mixer and mixes blockCount blocks of every enabled generator.
// The result is empty when no generator is enabled.
SampleBlock mixEnabledGenerators(std::vector<GeneratorEntry>& generators, BlockMixer& mixer, std::uint32_t blockSize,
                                 std::uint32_t blockCount);

struct FramePush_t {
    std::uint32_t blocksPushed;
    bool hopCompleted; // the last block pushed completed a hop: analyse now
};

// Pushes the mix block by block until a hop completes.
FramePush_t pushUntilHop(IFFT& analyser, SampleBlock mix, std::uint32_t blockSize);

// One frame's analysis input: renders what the analyser needs next and pushes it.
FramePush_t pushNextHop(std::vector<GeneratorEntry>& generators, BlockMixer& mixer, IFFT& analyser,
                        std::uint32_t blockSize);

} // namespace dravik
