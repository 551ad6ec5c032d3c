#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace dravik {

// Most voices one settings record carries; the generator bank holds at most 5.
inline constexpr std::size_t maxToneVoices = 8;

// What the real-time renderer needs from one generator.
struct ToneVoice_t {
    std::uint32_t id; // the generator's number: a voice keeps its phase under the same id
    bool enabled;
    double frequency;  // Hz
    double sampleRate; // the generator's synthesis rate: each output sample advances frequency / sampleRate cycles
    double amplitude;  // peak value, full scale 1.0
};

// One complete set of settings, copied whole from the frame thread to the
// audio thread.
struct ToneSettings_t {
    std::array<ToneVoice_t, maxToneVoices> voices{};
    std::size_t count = 0; // voices in use, from the front
    bool audible = false;  // false fades the whole output to silence
};

// Renders the generators' sines in real time as interleaved 16-bit stereo.
// Each voice keeps its own phase; every change of level (a voice appearing,
// leaving, being enabled or disabled, a new amplitude, muting) is a short
// linear ramp, so nothing clicks. Frequency changes keep the phase continuous.
//
// The output never clips: whenever the voices' levels add up to more than
// outputCeiling, every sample is scaled by outputCeiling / (sum of |levels|).
// That bound holds whatever the phases, the gain is constant while the levels
// are, and it moves only as smoothly as the level ramps themselves.
// Plain data and arithmetic: no device, no locking, no allocation.
class ToneSynth {
public:
    static constexpr unsigned outputRate = 44100;
    static constexpr unsigned channelCount = 2;
    // Level ramps last 5 ms at the output rate.
    static constexpr unsigned rampFrames = 220;
    // Largest output level, of full scale: 0.28 dB of headroom.
    static constexpr double outputCeiling = 0.968;

    // Takes the latest settings. Voices whose id is no longer listed fade out
    // and free their slot; new ids start at phase 0 and fade in. A voice with a
    // non-finite frequency or amplitude, or a sample rate that is not a finite
    // positive number, is silent (its phase is kept) until set right. When every
    // slot is still busy fading, a new voice waits for the next apply.
    void apply(const ToneSettings_t& settings);

    // Writes frameCount stereo frames (2 * frameCount samples, both channels
    // equal): the sum of the voices, scaled below the ceiling when it could
    // reach it, and rounded.
    void render(std::int16_t* frames, std::size_t frameCount);

    // Starts the output from silence again and ramps it back to its level:
    // after a gap in playback the sound fades in instead of resuming mid-wave.
    void fadeIn();

    // The scale applied to the voices' sum at the last rendered frame: 1, or
    // less while it keeps a loud sum from clipping. Muting does not count.
    double gain() const { return lastGain; }

private:
    struct Ramp {
        double value = 0.0;
        double target = 0.0;
        double step = 0.0;
        unsigned remaining = 0;

        void moveTo(double newTarget);
        bool settled() const { return remaining == 0; }
        double next()
        {
            if (remaining > 0) {
                value = --remaining == 0 ? target : value + step;
            }
            return value;
        }
    };

    struct Slot {
        std::uint32_t id = 0;
        bool active = false; // holds a voice, listed or fading out
        bool listed = false; // named in the latest settings
        double phase = 0.0;  // in cycles, kept in [0, 1)
        double increment = 0.0;
        Ramp level;
    };

    static constexpr std::size_t blockFrames = 256;

    void renderSlot(Slot& slot, std::size_t frameCount);

    std::array<Slot, maxToneVoices> slots{};
    Ramp master;
    std::array<double, blockFrames> mix{};
    std::array<double, blockFrames> levelSum{}; // sum of the voices' |level| per frame
    double lastGain = 1.0;
};

} // namespace dravik
