#include "audio/ToneSynth.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

constexpr double twoPi = 6.283185307179586;
constexpr double fullScale = 32767.0;
// Larger typed amplitudes play as this one: a sum of a few of them, and a
// sample times one, stay finite.
constexpr double largestAmplitude = 1e150;

bool isPlayable(const ToneVoice_t& voice)
{
    return std::isfinite(voice.frequency) && std::isfinite(voice.amplitude) && std::isfinite(voice.sampleRate) &&
           voice.sampleRate > 0.0 && std::isfinite(voice.frequency / voice.sampleRate);
}

// Cycles per output sample reduced to [0, 1): the same sine samples, and one
// subtraction keeps the phase in range whatever the sign or size of the tone.
double wrappedIncrement(const ToneVoice_t& voice)
{
    const double cycles = voice.frequency / voice.sampleRate;
    const double wrapped = cycles - std::floor(cycles);
    return wrapped < 1.0 ? wrapped : 0.0;
}

std::int16_t toPcm(double value)
{
    const double scaled = value * fullScale;
    if (std::isnan(scaled)) {
        return 0;
    }
    return static_cast<std::int16_t>(std::lround(std::clamp(scaled, -fullScale, fullScale)));
}

} // namespace

void ToneSynth::Ramp::moveTo(double newTarget)
{
    if (newTarget == target) {
        return;
    }
    target = newTarget;
    step = (target - value) / rampFrames;
    remaining = rampFrames;
}

void ToneSynth::apply(const ToneSettings_t& settings)
{
    for (Slot& slot : slots) {
        slot.listed = false;
    }

    const std::size_t count = std::min(settings.count, settings.voices.size());
    for (std::size_t i = 0; i < count; ++i) {
        const ToneVoice_t& voice = settings.voices[i];
        auto slot =
            std::find_if(slots.begin(), slots.end(), [&](const Slot& s) { return s.active && s.id == voice.id; });
        if (slot == slots.end()) {
            slot = std::find_if(slots.begin(), slots.end(), [](const Slot& s) { return !s.active; });
            if (slot == slots.end()) {
                continue;
            }
            *slot = Slot{};
            slot->id = voice.id;
            slot->active = true;
        }
        slot->listed = true;
        const bool playable = isPlayable(voice);
        if (playable) {
            slot->increment = wrappedIncrement(voice);
        }
        // An unplayable voice fades out at its last good pitch.
        slot->level.moveTo(playable && voice.enabled ? std::clamp(voice.amplitude, -largestAmplitude, largestAmplitude)
                                                     : 0.0);
    }

    for (Slot& slot : slots) {
        if (slot.active && !slot.listed) {
            slot.level.moveTo(0.0);
        }
    }
    master.moveTo(settings.audible ? 1.0 : 0.0);
}

void ToneSynth::fadeIn()
{
    const double level = master.target;
    master = Ramp{};
    master.moveTo(level);
}

void ToneSynth::render(std::int16_t* frames, std::size_t frameCount)
{
    for (std::size_t done = 0; done < frameCount;) {
        const std::size_t n = std::min(frameCount - done, blockFrames);
        std::fill_n(mix.begin(), n, 0.0);
        std::fill_n(levelSum.begin(), n, 0.0);
        for (Slot& slot : slots) {
            if (slot.active) {
                renderSlot(slot, n);
            }
        }
        std::int16_t* out = frames + done * channelCount;
        for (std::size_t i = 0; i < n; ++i) {
            lastGain = levelSum[i] > outputCeiling ? outputCeiling / levelSum[i] : 1.0;
            std::fill_n(out + channelCount * i, channelCount, toPcm(mix[i] * lastGain * master.next()));
        }
        done += n;
    }

    for (Slot& slot : slots) {
        if (slot.active && !slot.listed && slot.level.settled()) {
            slot.active = false;
        }
    }
}

void ToneSynth::renderSlot(Slot& slot, std::size_t frameCount)
{
    // A silent voice holds its phase: nothing to hear, nothing to advance.
    if (slot.level.settled() && slot.level.value == 0.0) {
        return;
    }
    double phase = slot.phase;
    for (std::size_t i = 0; i < frameCount; ++i) {
        const double level = slot.level.next();
        mix[i] += std::sin(twoPi * phase) * level;
        levelSum[i] += std::abs(level);
        phase += slot.increment;
        if (phase >= 1.0) {
            phase -= 1.0;
        }
    }
    slot.phase = phase;
}

} // namespace dravik
