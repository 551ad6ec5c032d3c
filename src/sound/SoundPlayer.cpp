#include "sound/SoundPlayer.h"

#include <AL/alc.h>

#include <algorithm>
#include <iostream>
#include <type_traits>

namespace dravik {

static_assert(std::is_same_v<sf::Int16, std::int16_t>, "SFML's samples are 16-bit PCM");

SoundPlayer::SoundPlayer()
{
    initialize(channelCount, sampleRate);
    // SFML opens the default device and makes its context current when the
    // first audio object is built; no context means there is no device. Said
    // after SFML's own complaints, so it is the last word on the matter.
    deviceAvailable = alcGetCurrentContext() != nullptr;
    if (!deviceAvailable) {
        std::cerr << "Dravik: no audio output device; the test tone will not be heard\n";
    }
}

SoundPlayer::~SoundPlayer()
{
    // The streaming thread reads our members: end it before they go.
    sf::SoundStream::stop();
}

void SoundPlayer::submit(const ToneVoice_t* voices, std::size_t count, bool audible)
{
    const std::size_t taken = voices != nullptr ? std::min(count, maxToneVoices) : 0;
    const std::lock_guard<std::mutex> lock(pendingMutex);
    std::copy_n(voices, taken, pending.voices.begin());
    pending.count = taken;
    pending.audible = audible;
}

void SoundPlayer::play()
{
    if (deviceAvailable && !isPlaying()) {
        sf::SoundStream::play();
    }
}

void SoundPlayer::stop()
{
    sf::SoundStream::stop();
}

bool SoundPlayer::isPlaying() const
{
    return deviceAvailable && getStatus() == sf::SoundSource::Playing;
}

bool SoundPlayer::onGetData(Chunk& data)
{
    {
        // Never wait for the frame thread: if a submit is in progress, this
        // chunk keeps the previous settings and the next one takes the new.
        const std::unique_lock<std::mutex> lock(pendingMutex, std::try_to_lock);
        if (lock.owns_lock()) {
            current = pending;
        }
    }
    // Applied on every chunk, so a voice that found no free slot gets one as
    // soon as a fading voice lets go of it.
    synth.apply(current);
    synth.render(samples.data(), samples.size() / channelCount);
    data.samples = samples.data();
    data.sampleCount = samples.size();
    return true;
}

void SoundPlayer::onSeek(sf::Time)
{
    // A generated tone has no position to seek to.
}

} // namespace dravik
