// Runs with OpenAL Soft's wave backend, which records what is played to the
// file named in ALSOFT_CONF, DRAVIK_UNDERRUN_WAV.
// The queue is refilled by hand so that a stall can be staged.
#include "TestablePlayer.h"

#include "SignalProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace dravik {
namespace {

using namespace probe;
using namespace std::chrono_literals;

const std::string recordingPath = DRAVIK_UNDERRUN_WAV;

// The left channel of the wave backend's 32-bit float stereo recording.
std::vector<double> readRecording(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t data = text.find("data");
    std::vector<double> left;
    if (data == std::string::npos) {
        return left;
    }
    for (std::size_t at = data + 8; at + 8 <= bytes.size(); at += 8) {
        float sample = 0.0f;
        std::memcpy(&sample, bytes.data() + at, sizeof sample);
        left.push_back(sample);
    }
    return left;
}

void feedFor(TestablePlayer& player, std::chrono::milliseconds length)
{
    const auto end = std::chrono::steady_clock::now() + length;
    while (std::chrono::steady_clock::now() < end) {
        player.refill();
        std::this_thread::sleep_for(2ms);
    }
}

// Stalls the feeding for longer than the queue lasts: the recording has one
// gap of silence, then the tone fades back in. Nothing played before the gap
// is heard again (a replay would restart abruptly, mid-wave). The drop into
// the gap is where the last queued buffer ends: a queued OpenAL buffer cannot
// be changed, so that edge is printed, not held to a bound.
TEST(SoundPlayerUnderrun, AStallGivesSilenceThenAFadeInAndNoReplay)
{
    std::remove(recordingPath.c_str());
    std::size_t underruns = 0;
    {
        TestablePlayer player(OutputQueue_t{441, 4});
        ASSERT_TRUE(player.hasDevice());
        const ToneVoice_t tone{1, true, 440.0, 44100.0, 0.8};
        player.submit(&tone, 1, true);
        player.play();
        feedFor(player, 300ms);
        std::this_thread::sleep_for(150ms);
        feedFor(player, 300ms);
        player.submit(&tone, 1, false);
        feedFor(player, 100ms);
        player.stop();
        underruns = player.underruns();
    }
    EXPECT_EQ(underruns, 1u);

    const std::vector<double> x = readRecording(recordingPath);
    const double silence = 1e-4;
    std::size_t first = 0;
    while (first < x.size() && std::abs(x[first]) <= silence) {
        ++first;
    }
    std::size_t lastLoud = x.size();
    while (lastLoud > first && std::abs(x[lastLoud - 1]) <= silence) {
        --lastLoud;
    }
    // Silent runs inside the tone: a 440 Hz sine at 0.8 is never quiet for three samples running.
    std::vector<std::pair<std::size_t, std::size_t>> gaps;
    for (std::size_t n = first; n < lastLoud;) {
        std::size_t end = n;
        while (end < lastLoud && std::abs(x[end]) <= silence) {
            ++end;
        }
        if (end - n >= 3) {
            gaps.emplace_back(n, end);
        }
        n = end + 1;
    }
    ASSERT_EQ(gaps.size(), 1u) << "recording of " << x.size() << " frames";
    const auto [gapStart, gapEnd] = gaps.front();
    std::printf("gap of %.1f ms; step into it %.4f\n", 1000.0 * static_cast<double>(gapEnd - gapStart) / outputRate,
                std::abs(x[gapStart] - x[gapStart - 1]));

    const std::size_t ms = 44;
    EXPECT_LT(peak(slice(x, gapEnd, gapEnd + ms)), 0.25 * 0.8) << "fades back in";
    EXPECT_GT(peak(slice(x, gapEnd + 10 * ms, gapEnd + 30 * ms)), 0.79);
    const double slope = 0.8 * 2.0 * pi * 440.0 / outputRate;
    EXPECT_LT(largestStep(slice(x, gapEnd - 1, lastLoud)), 1.1 * slope) << "no jump after the gap";
    EXPECT_LT(largestStep(slice(x, first, gapStart)), 1.1 * slope) << "no jump before the gap";
}

} // namespace
} // namespace dravik
