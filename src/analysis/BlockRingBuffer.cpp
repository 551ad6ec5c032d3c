#include "analysis/BlockRingBuffer.h"

#include "analysis/FFTSettings.h"

#include <algorithm>

namespace dravik {

namespace {

// The hop in blocks is formed in 32-bit float, as the settings hold it, then
// truncated. The rate is clamped to its typed range, NaN to the low end.
std::uint64_t hopBlocksFor(std::uint64_t blockCount, float hopRate)
{
    const auto low = static_cast<float>(hopRateSetting.typed.low);
    const auto high = static_cast<float>(hopRateSetting.typed.high);
    const float hop = hopRate > low ? std::min(hopRate, high) : low;
    return static_cast<std::uint64_t>(static_cast<float>(blockCount) * hop);
}

} // namespace

BlockRingBuffer::BlockRingBuffer(std::uint64_t samplesPerBlock, std::uint64_t blocksPerWindow, float hopRate)
{
    if (samplesPerBlock == 0 || blocksPerWindow == 0) {
        return;
    }
    blockSize = samplesPerBlock;
    blockCount = blocksPerWindow;
    hopBlocks = std::clamp<std::uint64_t>(hopBlocksFor(blockCount, hopRate), 1, blockCount);
    windowLength = blockSize * blockCount;
    storage.assign(2 * windowLength, 0.0);
}

bool BlockRingBuffer::push(const double* samples, std::uint64_t count)
{
    if (blockCount == 0 || samples == nullptr || count != blockSize) {
        return false;
    }
    double* slot = storage.data() + writeBlock * blockSize;
    std::copy(samples, samples + count, slot);
    std::copy(samples, samples + count, slot + windowLength);
    writeBlock = (writeBlock + 1) % blockCount;
    if (filledBlocks == blockCount) {
        hopCounter = (hopCounter + 1) % hopBlocks;
    }
    filledBlocks = std::min(filledBlocks + 1, blockCount);
    return true;
}

bool BlockRingBuffer::isReady() const
{
    return blockCount != 0 && filledBlocks == blockCount && hopCounter == 0;
}

std::uint64_t BlockRingBuffer::blocksUntilReady() const
{
    if (blockCount == 0)
        return 0;
    if (filledBlocks < blockCount)
        return blockCount - filledBlocks;
    return hopBlocks - hopCounter;
}

void BlockRingBuffer::reset()
{
    writeBlock = 0;
    filledBlocks = 0;
    hopCounter = 0;
}

} // namespace dravik
