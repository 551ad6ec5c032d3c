#include "sound/FilePlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace dravik {
namespace {

// Waits until the player has played past `frame`, or a few seconds have gone.
bool heardPast(FilePlayer& player, std::uint64_t frame)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (player.heardFrame() <= frame) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// OpenAL Soft's null device plays nothing, in real time.
TEST(FilePlayer, ReportsWhatIsHeardPausesAndFlushes)
{
    FilePlayer player;
    ASSERT_TRUE(FilePlayer::deviceAvailable());
    ASSERT_TRUE(player.open(2, 48000));
    const std::vector<std::int16_t> second(2 * 48000, 1000);
    ASSERT_EQ(player.writable(), FilePlayer::ringFrames);
    player.write(second.data(), 48000);
    EXPECT_EQ(player.writable(), FilePlayer::ringFrames - 48000);

    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(player.heardFrame(), 0u) << "paused after open";
    player.setPaused(false);
    ASSERT_TRUE(heardPast(player, 4800));

    player.setPaused(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(400)); // the queued chunks play out
    const std::uint64_t held = player.heardFrame();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(player.heardFrame(), held);
    EXPECT_LT(held, 48000u);

    // A flush drops the rest of the second: what is heard next is written next.
    player.flush();
    player.write(second.data(), 48000);
    player.setPaused(false);
    ASSERT_TRUE(heardPast(player, 48000 + 4800));
    player.close();
}

TEST(FilePlayer, RefusesWhatTheOutputCannotPlay)
{
    FilePlayer player;
    EXPECT_FALSE(player.open(0, 48000));
    EXPECT_FALSE(player.open(2, 0));
    EXPECT_FALSE(player.open(3, 44100));
    EXPECT_EQ(player.writable(), 0u);
}

} // namespace
} // namespace dravik
