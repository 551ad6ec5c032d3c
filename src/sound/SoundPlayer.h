#pragma once

#include "audio/ToneSynth.h"
#include "sound/SettingsMailbox.h"

#include <SFML/Audio/SoundSource.hpp>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace dravik {

// How far ahead the output is filled: bufferCount buffers of bufferFrames
// frames each stay queued at OpenAL. Their sum is what a stalled feeding
// thread can ride out, and also how late a change of settings is heard.
struct OutputQueue_t {
    std::size_t bufferFrames = 441; // 10 ms
    std::size_t bufferCount = 8;    // 80 ms ahead
};

// Plays the generators' tones through the sound card as a never-ending 16-bit
// stereo stream at 44100 Hz, rendered by a ToneSynth on a feeding thread of
// its own from the settings the frame thread last submitted.
//
// Use from the frame thread, once per frame:
//   const bool audible = anyGeneratorEnabled && !muted;
//   player.submit(voices, count, audible);
//   if (audible && !playing) { player.play(); playing = true; }
// Muting is a submit with audible false: the output fades to silence and the
// stream keeps running, so muting and unmuting never click or restart.
//
// The feeding thread keeps OpenAL's queue of buffers full: it renders each
// played buffer anew (a few tens of microseconds) and queues it again. It
// takes the settings through a lock-free mailbox, so the frame thread can
// never hold it up, and it allocates nothing. If it is held up anyway (a
// loaded machine) and the queue runs dry, that is an underrun: it is counted,
// everything already played is dropped, and the sound fades back in from
// fresh buffers, so old audio is never heard twice.
//
// sf::SoundSource is a private base: SFML opens the device and the source;
// the player streams into it with OpenAL directly, which sf::SoundStream's
// restart after an underrun (a replay of its old buffers) rules out.
class SoundPlayer : private sf::SoundSource {
public:
    static constexpr unsigned channelCount = ToneSynth::channelCount;
    static constexpr unsigned sampleRate = ToneSynth::outputRate;

    // Opens the stream; without an audio device, says so once on stderr and
    // stays silent.
    explicit SoundPlayer(OutputQueue_t queue = {});
    ~SoundPlayer() override;

    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    bool hasDevice() const { return deviceAvailable; }

    // Publishes the voices to play (at most maxToneVoices are taken) and
    // whether the output is audible at all. Cheap and lock-free; call it every
    // frame, from one thread.
    void submit(const ToneVoice_t* voices, std::size_t count, bool audible);

    // Starts the stream if a device exists and it is not running already.
    void play() override;
    // Stops the stream at once; the next play() starts it again.
    void stop() override;
    bool isPlaying() const;

    // Times the queue ran dry since construction.
    std::uint64_t underruns() const { return underrunCount.load(std::memory_order_relaxed); }
    // The scale keeping a loud sum of voices below full scale (ToneSynth::gain)
    // as last rendered; 1 when nothing is scaled.
    double outputGain() const { return gain.load(std::memory_order_relaxed); }

    // Queued audio, in seconds: a submitted change is heard at most this much
    // (and one poll) later.
    double fillAheadSeconds() const;

protected:
    // Tests drive the feeding by hand: with feedInThread false, play() primes
    // the queue and starts the source but no thread refills it.
    SoundPlayer(OutputQueue_t queue, bool feedInThread);

    // One pass of the feeding thread: refills what OpenAL has played and,
    // after an underrun, restarts from fresh buffers.
    void refill();

    // Renders frameCount frames of the latest settings; the feeding thread's
    // only source of samples.
    void render(std::int16_t* frames, std::size_t frameCount);

private:
    void pause() override;
    void feed();
    void queueFresh(unsigned buffer);
    void restartAfterUnderrun();

    OutputQueue_t queue;
    bool feedInThread;
    bool deviceAvailable = false;

    SettingsMailbox<ToneSettings_t> settings;

    // Feeding thread only (or the thread that calls play() before it starts).
    ToneSynth synth;
    std::vector<std::int16_t> samples;
    std::vector<unsigned> buffers; // OpenAL buffer names

    std::atomic<bool> running{false};
    std::atomic<std::uint64_t> underrunCount{0};
    std::atomic<double> gain{1.0};
    std::thread feeder;
};

} // namespace dravik
