// Runs with OpenAL Soft offered no usable backend, so no device opens.
#include "sound/SoundPlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace dravik {
namespace {

// Sends everything written to stderr, by any library, into a file.
class StderrCapture {
public:
    StderrCapture()
        : file(std::tmpfile())
    {
        std::fflush(stderr);
        saved = dup(STDERR_FILENO);
        dup2(fileno(file), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        restore();
        std::fclose(file);
    }

    std::string text()
    {
        restore();
        std::string out;
        std::rewind(file);
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            out.append(buffer, n);
        }
        return out;
    }

private:
    void restore()
    {
        if (saved >= 0) {
            std::fflush(stderr);
            dup2(saved, STDERR_FILENO);
            close(saved);
            saved = -1;
        }
    }

    std::FILE* file;
    int saved = -1;
};

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

TEST(SoundPlayerWithoutDevice, WarnsOnceAndRunsSilently)
{
    StderrCapture capture;
    {
        SoundPlayer player;
        EXPECT_FALSE(player.hasDevice());

        // Half a second of frames that want sound: a stream started without a
        // device would print megabytes of errors in this time.
        const ToneVoice_t tone{1, true, 440.0, 44100.0, 0.8};
        for (int frame = 0; frame < 30; ++frame) {
            player.submit(&tone, 1, true);
            player.play();
            EXPECT_FALSE(player.isPlaying());
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
    }
    const std::string log = capture.text();
    EXPECT_EQ(occurrences(log, "no audio output device"), 1u) << log.substr(0, 2000);
    EXPECT_LT(log.size(), 16u * 1024u) << "SFML and OpenAL said more than a few lines";
}

} // namespace
} // namespace dravik
