#include "panels/FFTOptionsPanel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace dravik {
namespace {

TEST(FFTOptionsPanel, ComboItemsArePowersOfTwo)
{
    const std::uint32_t windows[] = {4096, 8192, 16384, 32768, 65536, 131072, 262144};
    const std::uint32_t blocks[] = {64, 128, 256, 512, 1024, 2048, 4096};
    ASSERT_EQ(fftSizeItemCount, 7);
    for (std::int32_t i = 0; i < fftSizeItemCount; ++i) {
        EXPECT_EQ(windowSizeOfItem(i), windows[i]) << i;
        EXPECT_EQ(blockSizeOfItem(i), blocks[i]) << i;
    }
    for (std::int32_t outside : {-1, 7, 40}) {
        EXPECT_EQ(windowSizeOfItem(outside), 0u) << outside;
        EXPECT_EQ(blockSizeOfItem(outside), 0u) << outside;
    }
}

TEST(OverlappingBlocks, FollowsTheHopRateIn32BitFloat)
{
    struct Case {
        std::uint32_t windowSize, blockSize;
        float hopRate;
        std::int32_t blocks;
    };
    const Case cases[] = {
        {4096, 128, 0.5f, 16},    {4096, 128, 0.3f, 22}, // 32 * 0.7f is 22.3999996
        {4096, 128, 0.0f, 32},    {4096, 128, 1.0f, 0},
        {262144, 64, 0.5f, 2048}, {4096, 128, 2.0f, -32}, // typed beyond the slider: shown as stored
    };
    for (const Case& c : cases) {
        FFTParams_t params;
        params.windowSize = c.windowSize;
        params.blockSize = c.blockSize;
        params.hopRate = c.hopRate;
        const OverlapValue_t v = overlappingBlocks(params);
        ASSERT_TRUE(v.valid) << c.hopRate;
        EXPECT_EQ(v.blocks, c.blocks) << c.hopRate;
    }
}

TEST(OverlappingBlocks, NonFiniteOrHugeHopRatesHaveNoValue)
{
    FFTParams_t params;
    for (float hop : {std::nanf(""), std::numeric_limits<float>::infinity(), -1e30f}) {
        params.hopRate = hop;
        EXPECT_FALSE(overlappingBlocks(params).valid) << hop;
    }
    params.hopRate = 0.5f;
    params.blockSize = 0;
    EXPECT_TRUE(overlappingBlocks(params).valid);
}

} // namespace
} // namespace dravik
