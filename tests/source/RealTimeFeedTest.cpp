#include "source/RealTimeFeed.h"
#include "SourceFakes.h"

#include <gtest/gtest.h>

#include <vector>

namespace dravik {
namespace {

constexpr std::uint32_t blockSize = 128;
constexpr std::uint32_t windowSize = 4096;
constexpr std::int64_t hop = windowSize / 2;

// A feed holding a ramp, so every sample names its place on the timeline.
class RealTimeFeedTest : public ::testing::Test {
protected:
    RealTimeFeedTest()
    {
        std::vector<double> ramp(1 << 16);
        for (std::size_t i = 0; i < ramp.size(); ++i)
            ramp[i] = static_cast<double>(i);
        feed.append(ramp.data(), ramp.size());
    }
    // Timeline index after the last sample of the analyser's window.
    std::int64_t windowEnd() const { return static_cast<std::int64_t>(probe.window().data[windowSize - 1]) + 1; }

    RealTimeFeed feed{1 << 17};
    test::WindowProbe probe{blockSize, windowSize, 0.5f};
};

// Frames that come late leave several hops due at once. The analyser then
// takes every sample since its last window (the tracker's onsets and clock
// need them all), and its window still ends less than a hop before what is heard.
TEST_F(RealTimeFeedTest, SeveralHopsDueAreAllPushedAndTheClockKeepsTheTimeline)
{
    ASSERT_TRUE(feed.feed(probe, blockSize, windowSize, windowSize));
    EXPECT_EQ(windowEnd(), windowSize);
    struct Step {
        std::int64_t heard;
        std::int64_t end;
    };
    for (const Step& step :
         {Step{windowSize + hop, windowSize + hop}, Step{windowSize + 6 * hop + 100, windowSize + 6 * hop},
          Step{windowSize + 20 * hop + hop - 1, windowSize + 20 * hop}}) {
        SCOPED_TRACE(step.heard);
        ASSERT_TRUE(feed.feed(probe, blockSize, windowSize, step.heard));
        EXPECT_EQ(windowEnd(), step.end);
        EXPECT_EQ(probe.samplesPushed(), static_cast<std::uint64_t>(step.end));
    }
}

// A seek breaks the timeline: the analyser starts again on the window that
// ends at the new position.
TEST_F(RealTimeFeedTest, ASeekRefillsOneWindowAtTheNewPlace)
{
    ASSERT_TRUE(feed.feed(probe, blockSize, windowSize, 3 * windowSize));
    feed.startOver(10 * windowSize);
    EXPECT_FALSE(feed.feed(probe, blockSize, windowSize, 10 * windowSize + 100));
    ASSERT_TRUE(feed.feed(probe, blockSize, windowSize, 11 * windowSize + 100));
    EXPECT_EQ(windowEnd(), 11 * windowSize);
}

} // namespace
} // namespace dravik
