#include "analysis/BlockRingBuffer.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace dravik {
namespace {

// Pushes `pushes` blocks of blockSize samples, each filled with its 1-based
// push number; returns the push numbers after which the ring was ready.
std::vector<int> readyPushes(BlockRingBuffer& ring, std::uint64_t blockSize, int pushes)
{
    std::vector<int> ready;
    std::vector<double> block(blockSize);
    for (int i = 1; i <= pushes; ++i) {
        block.assign(blockSize, i);
        EXPECT_TRUE(ring.push(block.data(), block.size()));
        if (ring.isReady()) {
            ready.push_back(i);
        }
    }
    return ready;
}

std::vector<double> windowOf(const BlockRingBuffer& ring)
{
    return {ring.window().begin(), ring.window().end()};
}

TEST(BlockRingBuffer, ReadyOnceFullThenEveryHop)
{
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    struct Case {
        std::uint64_t blockCount;
        float hopRate;
        std::vector<int> ready; // within the first 70 pushes (7 for short windows)
    };
    const Case cases[] = {
        {32, 0.5f, {32, 48, 64}},
        {32, 1.0f, {32, 64}},
        {32, 0.3f, {32, 41, 50, 59, 68}}, // 32 * 0.3f = 9.6000004, truncated to 9
        {32, 1.5f, {32, 64}},             // above 1 acts as 1
        {32, inf, {32, 64}},
        {4, 0.0f, {4, 5, 6, 7}}, // at least one block per hop
        {4, -0.2f, {4, 5, 6, 7}},
        {4, nan, {4, 5, 6, 7}},
        {3, 0.5f, {3, 4, 5, 6, 7}}, // 1.5 blocks truncated to 1
        {1, 0.5f, {1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        BlockRingBuffer ring(2, c.blockCount, c.hopRate);
        const int pushes = c.blockCount == 32 ? 70 : 7;
        EXPECT_EQ(readyPushes(ring, 2, pushes), c.ready) << "K = " << c.blockCount << ", hopRate " << c.hopRate;
    }
}

TEST(BlockRingBuffer, WindowHoldsTheLatestBlocksOldestFirst)
{
    BlockRingBuffer ring(2, 4, 0.5f);
    EXPECT_EQ(ring.window().count, 8u);
    readyPushes(ring, 2, 4);
    EXPECT_EQ(windowOf(ring), (std::vector<double>{1, 1, 2, 2, 3, 3, 4, 4}));

    const double fifth[] = {5.0, 5.5};
    ring.push(fifth, 2);
    EXPECT_EQ(windowOf(ring), (std::vector<double>{2, 2, 3, 3, 4, 4, 5, 5.5}));

    readyPushes(ring, 2, 6); // a further wrap: pushes numbered 1..6 again
    EXPECT_EQ(windowOf(ring), (std::vector<double>{3, 3, 4, 4, 5, 5, 6, 6}));
}

TEST(BlockRingBuffer, RefusedBlocksLeaveTheRingAsItWas)
{
    BlockRingBuffer ring(128, 4, 0.5f);
    readyPushes(ring, 128, 3);
    const std::vector<double> before = windowOf(ring);

    const std::vector<double> shortBlock(127, -1.0);
    const std::vector<double> longBlock(129, -1.0);
    EXPECT_FALSE(ring.push(shortBlock.data(), shortBlock.size()));
    EXPECT_FALSE(ring.push(longBlock.data(), longBlock.size()));
    EXPECT_FALSE(ring.push(nullptr, 128));
    EXPECT_EQ(windowOf(ring), before);
    EXPECT_FALSE(ring.isReady());

    // The fourth accepted block still completes the window, then a hop is two blocks.
    const std::vector<double> block(128, 4.0);
    ring.push(block.data(), block.size());
    EXPECT_TRUE(ring.isReady());
    EXPECT_FALSE(ring.push(shortBlock.data(), shortBlock.size()));
    EXPECT_TRUE(ring.isReady());
    ring.push(block.data(), block.size());
    EXPECT_FALSE(ring.isReady());
    ring.push(block.data(), block.size());
    EXPECT_TRUE(ring.isReady());
}

TEST(BlockRingBuffer, WithoutBlocksItAcceptsNothingAndIsNeverReady)
{
    struct Case {
        std::uint64_t blockSize;
        std::uint64_t blockCount;
    };
    for (const Case c : {Case{0, 32}, Case{128, 0}, Case{0, 0}}) {
        BlockRingBuffer ring(c.blockSize, c.blockCount, 0.5f);
        const double sample = 1.0;
        EXPECT_FALSE(ring.push(&sample, c.blockSize));
        EXPECT_FALSE(ring.isReady());
        EXPECT_EQ(ring.window().count, 0u);
        EXPECT_EQ(ring.blocksUntilReady(), 0u);
    }
}

// What a source must render next: the rest of the window, then the rest of a hop.
TEST(BlockRingBuffer, CountsTheBlocksUntilTheNextHop)
{
    struct Case {
        float hopRate;
        std::uint64_t hopBlocks;
    };
    for (const Case c : {Case{0.0f, 1}, Case{0.3f, 2}, Case{0.5f, 4}, Case{1.0f, 8}}) {
        SCOPED_TRACE(c.hopRate);
        BlockRingBuffer ring(2, 8, c.hopRate);
        const double block[2] = {1.0, 2.0};
        for (std::uint64_t left = 8; left > 0; --left) {
            EXPECT_EQ(ring.blocksUntilReady(), left);
            ring.push(block, 2);
        }
        EXPECT_TRUE(ring.isReady());
        for (int hop = 0; hop < 3; ++hop) {
            for (std::uint64_t left = c.hopBlocks; left > 0; --left) {
                EXPECT_EQ(ring.blocksUntilReady(), left);
                ring.push(block, 2);
            }
            EXPECT_TRUE(ring.isReady());
        }
        ring.reset();
        EXPECT_EQ(ring.blocksUntilReady(), 8u);
    }
}

TEST(BlockRingBuffer, ResetNeedsAWholeWindowAgain)
{
    BlockRingBuffer ring(2, 4, 0.5f);
    readyPushes(ring, 2, 4);
    ASSERT_TRUE(ring.isReady());
    ring.reset();
    EXPECT_FALSE(ring.isReady());
    EXPECT_EQ(readyPushes(ring, 2, 6), (std::vector<int>{4, 6}));
}

} // namespace
} // namespace dravik
