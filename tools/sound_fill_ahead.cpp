// Measures how far ahead the sound output must be filled on this machine:
// plays the default tone through SoundPlayer for each queue length given,
// and prints the underruns per minute. Run it beside a load (busy loops) with
// OpenAL Soft's null backend (ALSOFT_DRIVERS=null), which plays in real time.
// Usage: dravik_sound_fill_ahead <seconds per length> <buffers of 10 ms>...
#include "sound/SoundPlayer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <seconds per length> <buffers of 10 ms>...\n", argv[0]);
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const auto count = static_cast<std::size_t>(std::atoi(argv[i]));
        dravik::SoundPlayer player(dravik::OutputQueue_t{441, count});
        if (!player.hasDevice()) {
            return 1;
        }
        const dravik::ToneVoice_t tone{1, true, 440.0, 44100.0, 0.8};
        player.submit(&tone, 1, true);
        player.play();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        player.stop();
        std::printf("fill-ahead %3.0f ms: %llu underruns in %.0f s, %.2f per minute\n",
                    1000.0 * player.fillAheadSeconds(), static_cast<unsigned long long>(player.underruns()), seconds,
                    static_cast<double>(player.underruns()) * 60.0 / seconds);
        std::fflush(stdout);
    }
    return 0;
}
