#include "source/FrameSignal.h"

#include <algorithm>
#include <limits>

namespace dravik {

SampleBlock mixEnabledGenerators(std::vector<GeneratorEntry>& generators, BlockMixer& mixer, std::uint32_t blockSize,
                                 std::uint32_t blockCount)
{
    mixer.count = 0;
    for (GeneratorEntry& entry : generators) {
        if (!entry.enabled)
            continue;
        // The first renders into the sum; the others add onto it, with no copy.
        if (mixer.count == 0) {
            mixer.sum.resize(std::uint64_t{blockSize} * blockCount);
            entry.oscillator.renderTo(mixer.sum.data(), blockSize, blockCount);
        } else {
            entry.oscillator.renderAdding(mixer.sum.data(), blockSize, blockCount);
        }
        ++mixer.count;
    }
    return mixer.count != 0 ? mixer.mix() : SampleBlock{};
}

FramePush_t pushUntilHop(IFFT& analyser, SampleBlock mix, std::uint32_t blockSize)
{
    const std::uint64_t blockCount = blockSize != 0 ? mix.count / blockSize : 0;
    for (std::uint64_t i = 0; i < blockCount; ++i) {
        analyser.pushBlock(mix.data + i * blockSize, blockSize);
        if (analyser.isReady())
            return {static_cast<std::uint32_t>(i + 1), true};
    }
    return {static_cast<std::uint32_t>(blockCount), false};
}

FramePush_t pushNextHop(std::vector<GeneratorEntry>& generators, BlockMixer& mixer, IFFT& analyser,
                        std::uint32_t blockSize)
{
    const auto blocks = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(analyser.blocksUntilReady(), std::numeric_limits<std::uint32_t>::max()));
    if (blocks == 0)
        return {0, false};
    return pushUntilHop(analyser, mixEnabledGenerators(generators, mixer, blockSize, blocks), blockSize);
}

} // namespace dravik
