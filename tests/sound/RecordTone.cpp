// Plays a 440 Hz tone through SoundPlayer for a while, the way the program's
// frame loop drives it, so OpenAL Soft's wave backend can record it.
// Usage: dravik_sound_record_tone <expected wav path> [seconds]
// The device and the file come from ALSOFT_CONF; the path given here is only
// removed first, so a stale recording is never checked.
#include "sound/SoundPlayer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

int main(int argc, char** argv)
{
    using namespace std::chrono;
    if (argc < 2) {
        std::cerr << "usage: " << argv[0] << " <expected wav path> [seconds]\n";
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 1.5;
    std::remove(argv[1]);

    const auto frame = microseconds(16667);
    std::size_t recorded = 0;
    {
        dravik::SoundPlayer player;
        if (!player.hasDevice()) {
            return 1;
        }
        const dravik::ToneVoice_t tone{1, true, 440.0, 44100.0, 0.800000011920929};
        // A second, disabled generator at 880 Hz comes and goes mid-way: it
        // must stay inaudible and must not disturb the first.
        const dravik::ToneVoice_t octave{2, false, 880.0, 44100.0, 0.800000011920929};
        const dravik::ToneVoice_t both[] = {tone, octave};

        const auto start = steady_clock::now();
        const auto length = duration_cast<steady_clock::duration>(duration<double>(seconds));
        bool playing = false;
        for (auto now = start; now - start < length; now = steady_clock::now()) {
            const bool withOctave = now - start > length / 3 && now - start < 2 * length / 3;
            player.submit(both, withOctave ? 2 : 1, true);
            if (!playing) {
                player.play();
                playing = true;
            }
            std::this_thread::sleep_for(frame);
        }
        // Fade out before stopping so the recording ends cleanly.
        player.submit(both, 1, false);
        std::this_thread::sleep_for(milliseconds(100));
        player.stop();
    }
    if (std::FILE* wav = std::fopen(argv[1], "rb")) {
        std::fseek(wav, 0, SEEK_END);
        recorded = static_cast<std::size_t>(std::ftell(wav));
        std::fclose(wav);
    }
    if (recorded == 0) {
        std::cerr << "no recording at " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
