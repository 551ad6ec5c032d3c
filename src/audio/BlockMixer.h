#pragma once

#include "audio/IOscillator.h"

#include <cstdint>
#include <vector>

namespace dravik {

// Plain sum of the frame's oscillator blocks; nothing scales or limits it.
// The owner sets count to 0 at the start of every frame; sum keeps its storage.
struct BlockMixer {
    std::vector<double> sum;
    std::uint32_t count = 0;

    // The first block of a frame overwrites sum; later ones must match its
    // length. Returns false, changing nothing, for a mismatched block or one
    // with samples but no data.
    bool add(SampleBlock block);

    // The mixed samples, valid until the next add.
    SampleBlock mix() const { return {sum.data(), sum.size()}; }
};

} // namespace dravik
