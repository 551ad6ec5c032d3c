#include "app/FrameSignal.h"

namespace dravik {

SampleBlock mixEnabledGenerators(std::vector<GeneratorEntry>& generators, BlockMixer& mixer, const FFTParams_t& params)
{
    const std::uint32_t blockCount = blocksPerWindow(params);
    mixer.count = 0;
    for (GeneratorEntry& entry : generators) {
        if (entry.enabled)
            mixer.add(entry.oscillator.render(params.blockSize, blockCount));
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

} // namespace dravik
