#pragma once

#include "shared/ArrayView.h"

#include <cstdint>
#include <vector>

namespace dravik {

// The most recent window of fixed-size blocks. Every block is stored twice, at
// its slot and one window length further on, so the whole window is always
// contiguous, oldest sample first, without copying.
class BlockRingBuffer {
public:
    // hopRate is the hop as a fraction of the window, used clamped to [0, 1]
    // (NaN acts as 0); the hop is at least one block and at most the window.
    // With blockSize or blockCount 0 the ring holds nothing and accepts no block.
    BlockRingBuffer(std::uint64_t samplesPerBlock, std::uint64_t blocksPerWindow, float hopRate);

    // Appends one block of exactly blockSize samples; false, changing nothing,
    // for any other count, a null pointer or a ring that holds nothing.
    bool push(const double* samples, std::uint64_t count);
    // True right after the push that completes a hop of a full ring, until the next push.
    bool isReady() const;
    // Blocks still to push until the next hop completes: the rest of the window
    // while filling, then the rest of the current hop. 0 for a ring that holds nothing.
    std::uint64_t blocksUntilReady() const;
    // Empties the ring; the stored samples stay but are no longer counted.
    void reset();

    // The blockSize * blockCount samples of the window, oldest first; they are
    // all pushed samples once the ring is full. Valid until the next push.
    ArrayView<double> window() const { return {storage.data() + writeBlock * blockSize, windowLength}; }

private:
    std::uint64_t blockSize = 0;
    std::uint64_t blockCount = 0;
    std::uint64_t hopBlocks = 0;
    std::vector<double> storage;
    std::uint64_t windowLength = 0;
    std::uint64_t writeBlock = 0;   // slot of the next block, and of the oldest block held
    std::uint64_t filledBlocks = 0; // saturates at blockCount
    std::uint64_t hopCounter = 0;   // once full: blocks pushed modulo hopBlocks
};

} // namespace dravik
