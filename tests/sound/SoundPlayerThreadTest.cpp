// Built for ThreadSanitizer: the frame thread's submit against the audio
// thread's rendering. Runs with OpenAL Soft's null backend.
#include "TestablePlayer.h"

#include "sound/SettingsMailbox.h"

#include <gtest/gtest.h>

#include <array>
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

TEST(SettingsMailbox, TheReaderSeesWholeValuesInTheOrderWritten)
{
    using Record = std::array<std::uint64_t, 64>;
    SettingsMailbox<Record> mailbox;
    constexpr std::uint64_t last = 200000;
    std::thread writer([&] {
        for (std::uint64_t n = 1; n <= last; ++n) {
            mailbox.draft().fill(n);
            mailbox.publish();
        }
    });

    std::uint64_t seen = 0;
    while (seen < last) {
        if (mailbox.take()) {
            const Record& r = mailbox.latest();
            ASSERT_GT(r[0], seen) << "an old value came back";
            for (std::uint64_t v : r) {
                ASSERT_EQ(v, r[0]) << "a value torn between two writes";
            }
            seen = r[0];
        }
    }
    writer.join();
    EXPECT_FALSE(mailbox.take()) << "nothing new after the last value";
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

    for (int i = 0; i < 2000; ++i) {
        const std::vector<std::int16_t> chunk = player.pull(1);
        for (std::size_t s = 0; s + 1 < chunk.size(); s += 2) {
            ASSERT_EQ(chunk[s], chunk[s + 1]);
        }
    }
    done = true;
    frames.join();
}

TEST(SoundPlayerThreads, SubmitAndReadOutWhileTheStreamPlays)
{
    SoundPlayer player;
    ASSERT_TRUE(player.hasDevice());
    submitVariation(player, 1);
    player.play();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    for (std::uint32_t round = 0; std::chrono::steady_clock::now() < end; ++round) {
        submitVariation(player, round);
        EXPECT_GT(player.outputGain(), 0.0);
        EXPECT_LE(player.outputGain(), 1.0);
        player.underruns();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

} // namespace
} // namespace dravik
