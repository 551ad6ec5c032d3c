#include "history/NoteHistory.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dravik {
namespace {

NoteEventView view(const std::vector<NoteEvent_t>& events)
{
    return {events.data(), events.size()};
}

TEST(NoteHistory, OnsetsOpenBarsAndOffsetsEndThem)
{
    NoteHistory history(8);
    const std::vector<NoteEvent_t> events{{1.0, 60, 90}, {1.2, 64, 80}, {1.5, 60, 0}};
    history.add(view(events));

    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].note, 60);
    EXPECT_FALSE(history[0].sounding);
    EXPECT_DOUBLE_EQ(history[0].onsetSeconds, 1.0);
    EXPECT_DOUBLE_EQ(history[0].offsetSeconds, 1.5);
    EXPECT_EQ(std::string(history[0].name), "C4");
    EXPECT_EQ(history[1].note, 64);
    EXPECT_TRUE(history[1].sounding);
    EXPECT_EQ(std::string(history[1].name), "E4");
}

TEST(NoteHistory, StrayOffsetsAndRepeatedOnsetsKeepOneOpenBarPerNote)
{
    NoteHistory history(8);
    // An offset with no open bar, an onset over an open one, and a note past 127.
    const std::vector<NoteEvent_t> events{{0.5, 61, 0}, {1.0, 61, 70}, {2.0, 61, 70}, {2.5, 200, 70}, {3.0, 61, 0}};
    history.add(view(events));

    ASSERT_EQ(history.size(), 2u);
    EXPECT_FALSE(history[0].sounding);
    EXPECT_DOUBLE_EQ(history[0].offsetSeconds, 2.0);
    EXPECT_FALSE(history[1].sounding);
    EXPECT_DOUBLE_EQ(history[1].onsetSeconds, 2.0);
    EXPECT_DOUBLE_EQ(history[1].offsetSeconds, 3.0);
}

TEST(NoteHistory, FullRingDropsTheOldestWithoutAllocating)
{
    NoteHistory history(3);
    std::vector<NoteEvent_t> events;
    for (int i = 0; i < 5; ++i)
        events.push_back({static_cast<double>(i), static_cast<std::uint8_t>(60 + i), 100});

    EXPECT_EQ(testing::allocationsDuring([&] { history.add(view(events)); }), 0u);
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].note, 62);
    EXPECT_EQ(history[2].note, 64);

    // Note 60's bar is gone: its offset must not end the bar now in its slot.
    const std::vector<NoteEvent_t> offs{{6.0, 60, 0}, {6.0, 63, 0}};
    history.add(view(offs));
    EXPECT_TRUE(history[0].sounding);
    EXPECT_FALSE(history[1].sounding);
    EXPECT_TRUE(history[2].sounding);
}

TEST(NoteHistory, TimesMoveOntoTheHistorysClock)
{
    NoteHistory history(4);
    const std::vector<NoteEvent_t> on{{1.0, 60, 90}};
    const std::vector<NoteEvent_t> off{{2.0, 60, 0}};
    history.add(view(on), 10.0);
    history.add(view(off), 10.5);
    EXPECT_DOUBLE_EQ(history[0].onsetSeconds, 11.0);
    EXPECT_DOUBLE_EQ(history[0].offsetSeconds, 12.5);
}

TEST(NoteHistory, ClearForgetsOpenBars)
{
    NoteHistory history(4);
    const std::vector<NoteEvent_t> on{{1.0, 60, 90}};
    history.add(view(on));
    history.clear();
    const std::vector<NoteEvent_t> off{{2.0, 60, 0}};
    history.add(view(off));
    EXPECT_EQ(history.size(), 0u);
}

} // namespace
} // namespace dravik
