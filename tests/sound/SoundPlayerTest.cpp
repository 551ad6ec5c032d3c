// Runs with OpenAL Soft's null backend: a device that plays nothing.
#include "TestablePlayer.h"

#include "SignalProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace dravik {
namespace {

using namespace probe;

constexpr double amp08 = 0.800000011920929;

TEST(SoundPlayer, ServesEndlessStereoChunksOfTheSubmittedTone)
{
    TestablePlayer player;
    ASSERT_TRUE(player.hasDevice());

    bool served = false;
    const std::vector<std::int16_t> before = player.pull(4, served);
    EXPECT_TRUE(served) << "nothing submitted is silence, not the end";
    ASSERT_EQ(before.size(), 4 * SoundPlayer::chunkSize);
    EXPECT_EQ(peak(channel(before, 0)), 0.0);

    const ToneVoice_t tone{1, true, 440.0, 44100.0, amp08};
    player.submit(&tone, 1, true);
    const std::vector<std::int16_t> after = player.pull(200, served);
    EXPECT_TRUE(served);
    ASSERT_EQ(after.size(), 200 * SoundPlayer::chunkSize);

    const std::vector<double> left = channel(after, 0);
    EXPECT_EQ(left, channel(after, 1));
    const std::vector<double> steady = slice(left, SoundPlayer::chunkSize, left.size());
    EXPECT_NEAR(cents(zeroCrossingFrequency(steady), 440.0), 0.0, 0.5);
    EXPECT_NEAR(decibels(peak(steady) / (amp08 * fullScale)), 0.0, 0.05);
}

TEST(SoundPlayer, TakesAtMostMaxToneVoices)
{
    TestablePlayer player;
    std::vector<ToneVoice_t> voices;
    for (std::uint32_t id = 1; id <= 3 * maxToneVoices; ++id) {
        voices.push_back(ToneVoice_t{id, true, 440.0, 44100.0, 0.1});
    }
    player.submit(voices.data(), voices.size(), true);

    bool served = false;
    const std::vector<double> left = channel(player.pull(50, served), 0);
    EXPECT_NEAR(peak(left) / fullScale, 0.1 * maxToneVoices, 0.01);
}

TEST(SoundPlayer, PlaysOnceStartedAndStopsSafelyWhenDestroyed)
{
    TestablePlayer player;
    const ToneVoice_t tone{1, true, 440.0, 44100.0, amp08};
    player.submit(&tone, 1, true);
    EXPECT_FALSE(player.isPlaying());

    player.play();
    EXPECT_TRUE(player.isPlaying());
    player.play();
    EXPECT_TRUE(player.isPlaying()) << "play() again leaves the stream running";

    player.submit(&tone, 1, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(player.isPlaying()) << "an inaudible stream keeps running";
}

} // namespace
} // namespace dravik
