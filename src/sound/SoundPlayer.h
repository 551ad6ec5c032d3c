#pragma once

#include "audio/ToneSynth.h"

#include <SFML/Audio/SoundStream.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace dravik {

// Plays the generators' tones through the sound card as a never-ending 16-bit
// stereo stream at 44100 Hz, rendered in real time by a ToneSynth on SFML's
// streaming thread from the settings the frame thread last submitted.
//
// Use from the frame thread, once per frame:
//   const bool audible = anyGeneratorEnabled && !muted;
//   player.submit(voices, count, audible);
//   if (audible && !playing) { player.play(); playing = true; }
// Muting is a submit with audible false: the output fades to silence and the
// stream keeps running, so muting and unmuting never click or restart.
//
// sf::SoundStream is a private base so that play() can refuse to start a
// stream without an audio device, which would make SFML's streaming thread
// print errors in a busy loop.
class SoundPlayer : private sf::SoundStream {
public:
    static constexpr unsigned channelCount = ToneSynth::channelCount;
    static constexpr unsigned sampleRate = ToneSynth::outputRate;
    // Samples per onGetData call: 768 frames, 17.4 ms. SFML keeps three chunks
    // queued, so a submitted change is heard within about 50 ms, and its
    // streaming thread (which polls every 10 ms) may run up to about 30 ms late
    // behind OpenAL's 1024-frame mixing periods before the output runs dry.
    static constexpr std::size_t chunkSize = 768 * channelCount;

    // Opens the stream format; without an audio device, says so once on
    // stderr and stays silent.
    SoundPlayer();
    ~SoundPlayer() override;

    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    bool hasDevice() const { return deviceAvailable; }

    // Publishes the voices to play (at most maxToneVoices are taken) and
    // whether the output is audible at all. Cheap; call it every frame.
    void submit(const ToneVoice_t* voices, std::size_t count, bool audible);

    // Starts the stream if a device exists and it is not running already.
    void play();
    // Stops the stream at once; the next play() starts it again.
    void stop();
    bool isPlaying() const;

protected:
    bool onGetData(Chunk& data) override;
    void onSeek(sf::Time timeOffset) override;

private:
    std::mutex pendingMutex;
    ToneSettings_t pending; // written by submit, guarded by pendingMutex

    // Audio thread only.
    ToneSettings_t current;
    ToneSynth synth;
    std::array<std::int16_t, chunkSize> samples{};

    bool deviceAvailable = false;
};

} // namespace dravik
