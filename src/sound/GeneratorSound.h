#pragma once

#include "audio/GeneratorBank.h"
#include "sound/SoundPlayer.h"
#include "source/GeneratorSource.h"

#include <array>
#include <cstdint>

namespace dravik {

// What is heard of the generators. The output plays the enabled ones in real
// time from their settings, each with its own phase: the analysed stream runs
// at the frame rate, not in real time, and cannot be played itself. The
// stream starts the first time there is something to hear and then runs on;
// muting fades it to silence. The program starts muted.
class GeneratorSound {
public:
    bool isMuted() const { return muted; }
    void setMuted(bool mute) { muted = mute; }
    // The gain that keeps a loud sum from clipping, and how often the output ran dry.
    double outputGain() const { return player.outputGain(); }
    std::uint64_t underruns() const { return player.underruns(); }
    bool hasDevice() const { return player.hasDevice(); }
    // True once the stream was started.
    bool isPlaying() const { return playing; }

    // Once per frame: the generators' settings to the output, heard while
    // they are the analysed source and the sound is not muted.
    void submit(const GeneratorSource& generators, bool analysed);
    // Stops the output at once, before an abrupt end of the process.
    void stop();

private:
    SoundPlayer player;
    bool playing = false;
    bool muted = true;
    // Reused every frame to hand the generators' settings to the output.
    std::array<ToneVoice_t, maxGenerators> voices{};
};

} // namespace dravik
