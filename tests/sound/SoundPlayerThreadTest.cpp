// Built for ThreadSanitizer: the frame thread's submit against the audio
// thread's onGetData. Runs with OpenAL Soft's null backend.
#include "TestablePlayer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace dravik {
namespace {

// Settings that change on every call: voices come, go, retune and mute.
void submitVariation(SoundPlayer& player, std::uint32_t round)
{
    ToneVoice_t voices[5];
    const std::size_t count = round % 6;
    for (std::size_t i = 0; i < count; ++i) {
        const auto id = static_cast<std::uint32_t>(round / 7 + i);
        voices[i] = ToneVoice_t{id, (round + i) % 3 != 0, 220.0 + 10.0 * static_cast<double>(round % 50), 44100.0, 0.2};
    }
    player.submit(voices, count, round % 11 != 0);
}

TEST(SoundPlayerThreads, SubmitRacesRenderingCleanly)
{
    TestablePlayer player;
    std::atomic<bool> done{false};
    std::thread frames([&] {
        for (std::uint32_t round = 0; !done.load(); ++round) {
            submitVariation(player, round);
        }
    });

    bool allServed = true;
    for (int i = 0; i < 2000; ++i) {
        TestablePlayer::Chunk chunk{nullptr, 0};
        allServed = player.onGetData(chunk) && allServed;
        for (std::size_t s = 0; s + 1 < chunk.sampleCount; s += 2) {
            ASSERT_EQ(chunk.samples[s], chunk.samples[s + 1]);
        }
    }
    done = true;
    frames.join();
    EXPECT_TRUE(allServed);
}

TEST(SoundPlayerThreads, SubmitWhileTheStreamPlays)
{
    TestablePlayer player;
    ASSERT_TRUE(player.hasDevice());
    submitVariation(player, 1);
    player.play();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    for (std::uint32_t round = 0; std::chrono::steady_clock::now() < end; ++round) {
        submitVariation(player, round);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(player.isPlaying());
}

} // namespace
} // namespace dravik
