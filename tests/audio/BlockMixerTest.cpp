#include "audio/BlockMixer.h"

#include <gtest/gtest.h>

#include <vector>

namespace dravik {
namespace {

SampleBlock viewOf(const std::vector<double>& samples)
{
    return {samples.data(), samples.size()};
}

std::vector<double> mixOf(const BlockMixer& mixer)
{
    return {mixer.mix().begin(), mixer.mix().end()};
}

TEST(BlockMixer, FirstBlockOfAFrameReplacesLastFramesSum)
{
    BlockMixer mixer;
    const std::vector<double> old{9.0, 9.0, 9.0, 9.0, 9.0};
    ASSERT_TRUE(mixer.add(viewOf(old)));

    mixer.count = 0;
    const std::vector<double> block{0.5, -0.25, 1.0};
    EXPECT_TRUE(mixer.add(viewOf(block)));
    EXPECT_EQ(mixer.count, 1u);
    EXPECT_EQ(mixOf(mixer), block);
}

TEST(BlockMixer, SumsBlocksWithoutScalingOrLimiting)
{
    BlockMixer mixer;
    const std::vector<double> a{0.8, -0.8, 0.25};
    const std::vector<double> b{0.8, -0.8, -0.5};
    ASSERT_TRUE(mixer.add(viewOf(a)));
    EXPECT_TRUE(mixer.add(viewOf(b)));
    EXPECT_EQ(mixer.count, 2u);
    EXPECT_EQ(mixOf(mixer), (std::vector<double>{1.6, -1.6, -0.25}));
}

TEST(BlockMixer, RefusesMismatchedOrDatalessBlocksAndChangesNothing)
{
    BlockMixer mixer;
    const std::vector<double> first{1.0, 2.0, 3.0};
    ASSERT_TRUE(mixer.add(viewOf(first)));

    const std::vector<double> shorter{1.0, 2.0};
    const std::vector<double> longer{1.0, 2.0, 3.0, 4.0};
    EXPECT_FALSE(mixer.add(viewOf(shorter)));
    EXPECT_FALSE(mixer.add(viewOf(longer)));
    EXPECT_FALSE(mixer.add(SampleBlock{nullptr, 3}));
    EXPECT_EQ(mixer.count, 1u);
    EXPECT_EQ(mixOf(mixer), first);

    mixer.count = 0;
    EXPECT_FALSE(mixer.add(SampleBlock{nullptr, 3}));
    EXPECT_EQ(mixer.count, 0u);
}

TEST(BlockMixer, KeepsItsStorageFromFrameToFrame)
{
    BlockMixer mixer;
    const std::vector<double> block(4096, 0.5);
    mixer.add(viewOf(block));
    const double* storage = mixer.sum.data();
    for (int frame = 0; frame < 3; ++frame) {
        mixer.count = 0;
        mixer.add(viewOf(block));
        mixer.add(viewOf(block));
    }
    EXPECT_EQ(mixer.sum.data(), storage);
}

} // namespace
} // namespace dravik
