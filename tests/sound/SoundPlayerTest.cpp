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
using namespace std::chrono_literals;

constexpr double amp08 = 0.800000011920929;

TEST(SoundPlayer, RendersTheLatestSubmittedToneOnBothChannels)
{
    TestablePlayer player;
    ASSERT_TRUE(player.hasDevice());
    EXPECT_EQ(peak(channel(player.pull(4), 0)), 0.0) << "nothing submitted is silence";

    const ToneVoice_t tone{1, true, 440.0, 44100.0, amp08};
    player.submit(&tone, 1, true);
    const std::vector<std::int16_t> after = player.pull(200);
    const std::vector<double> left = channel(after, 0);
    EXPECT_EQ(left, channel(after, 1));
    const std::vector<double> steady = slice(left, TestablePlayer::chunkFrames, left.size());
    EXPECT_NEAR(cents(zeroCrossingFrequency(steady), 440.0), 0.0, 0.5);
    EXPECT_NEAR(decibels(peak(steady) / (amp08 * fullScale)), 0.0, 0.05);
    EXPECT_EQ(player.outputGain(), 1.0);
}

TEST(SoundPlayer, TakesAtMostMaxToneVoicesAndReportsTheGainThatKeepsThemBelowFullScale)
{
    TestablePlayer player;
    std::vector<ToneVoice_t> voices;
    for (std::uint32_t id = 1; id <= 3 * maxToneVoices; ++id) {
        voices.push_back(ToneVoice_t{id, true, 440.0, 44100.0, 0.5});
    }
    player.submit(voices.data(), voices.size(), true);

    const std::vector<double> left = channel(player.pull(50), 0);
    EXPECT_NEAR(player.outputGain(), ToneSynth::outputCeiling / (0.5 * maxToneVoices), 1e-12);
    EXPECT_NEAR(peak(left) / fullScale, ToneSynth::outputCeiling, 0.001);
}

// How often a loaded machine starves the queue is measured, not tested; what
// is tested is that one stall longer than the queue counts as one underrun.
TEST(SoundPlayer, AStallLongerThanTheQueueCountsAsOneUnderrun)
{
    TestablePlayer player(OutputQueue_t{441, 4});
    EXPECT_DOUBLE_EQ(player.fillAheadSeconds(), 0.04);
    const ToneVoice_t tone{1, true, 440.0, 44100.0, amp08};
    player.submit(&tone, 1, true);
    player.play();
    EXPECT_TRUE(player.isPlaying());

    for (int stall = 1; stall <= 2; ++stall) {
        const std::uint64_t before = player.underruns();
        std::this_thread::sleep_for(300ms);
        player.refill();
        EXPECT_EQ(player.underruns(), before + 1) << "stall " << stall;
        player.refill();
        EXPECT_EQ(player.underruns(), before + 1) << "a queue just refilled is playing";
    }
}

TEST(SoundPlayer, PlaysInItsOwnThreadAndStopsSafelyWhenDestroyed)
{
    SoundPlayer player;
    const ToneVoice_t tone{1, true, 440.0, 44100.0, amp08};
    player.submit(&tone, 1, true);
    EXPECT_FALSE(player.isPlaying());

    player.play();
    EXPECT_TRUE(player.isPlaying());
    player.play();
    EXPECT_TRUE(player.isPlaying()) << "play() again leaves the stream running";

    player.submit(&tone, 1, false);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(player.isPlaying()) << "an inaudible stream keeps running";

    player.stop();
    EXPECT_FALSE(player.isPlaying());
    player.play();
    EXPECT_TRUE(player.isPlaying()) << "starts again after a stop";
}

} // namespace
} // namespace dravik
