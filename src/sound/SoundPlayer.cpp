#include "sound/SoundPlayer.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <iostream>

namespace dravik {

namespace {

OutputQueue_t usable(OutputQueue_t queue)
{
    queue.bufferFrames = std::max<std::size_t>(queue.bufferFrames, 64);
    queue.bufferCount = std::max<std::size_t>(queue.bufferCount, 2);
    return queue;
}

bool deviceConnected()
{
    ALCdevice* device = alcGetContextsDevice(alcGetCurrentContext());
    if (device == nullptr || alcIsExtensionPresent(device, "ALC_EXT_disconnect") == ALC_FALSE) {
        return device != nullptr;
    }
    ALCint connected = ALC_TRUE;
    alcGetIntegerv(device, alcGetEnumValue(device, "ALC_CONNECTED"), 1, &connected);
    return connected != ALC_FALSE;
}

} // namespace

SoundPlayer::SoundPlayer(OutputQueue_t queue)
    : SoundPlayer(queue, true)
{
}

SoundPlayer::SoundPlayer(OutputQueue_t queue, bool feedInThread)
    : queue(usable(queue))
    , feedInThread(feedInThread)
    , samples(this->queue.bufferFrames * channelCount)
    , buffers(this->queue.bufferCount)
{
    // SFML opens the default device and makes its context current when the
    // first audio object is built; no context means there is no device. Said
    // after SFML's own complaints, so it is the last word on the matter.
    deviceAvailable = alcGetCurrentContext() != nullptr;
    if (deviceAvailable) {
        alGetError();
        alGenBuffers(static_cast<ALsizei>(buffers.size()), buffers.data());
        deviceAvailable = alGetError() == AL_NO_ERROR;
    }
    if (!deviceAvailable) {
        std::cerr << "Dravik: no audio output device; the test tone will not be heard (--verbose says why)\n";
    }
}

SoundPlayer::~SoundPlayer()
{
    // The feeding thread reads our members: end it before they go.
    stop();
    if (deviceAvailable) {
        alDeleteBuffers(static_cast<ALsizei>(buffers.size()), buffers.data());
    }
}

void SoundPlayer::submit(const ToneVoice_t* voices, std::size_t count, bool audible)
{
    ToneSettings_t& next = settings.draft();
    next.count = voices != nullptr ? std::min(count, maxToneVoices) : 0;
    std::copy_n(voices, next.count, next.voices.begin());
    next.audible = audible;
    settings.publish();
}

void SoundPlayer::play()
{
    if (!deviceAvailable || running.load()) {
        return;
    }
    // The feeding thread starts after the queue is primed, so the synth and
    // the source are this thread's until then.
    alSourcei(m_source, AL_BUFFER, 0);
    synth.fadeIn();
    for (unsigned buffer : buffers) {
        queueFresh(buffer);
    }
    alSourcePlay(m_source);
    running.store(true);
    if (feedInThread) {
        feeder = std::thread(&SoundPlayer::feed, this);
    }
}

void SoundPlayer::stop()
{
    running.store(false);
    if (feeder.joinable()) {
        feeder.join();
    }
    if (deviceAvailable) {
        alSourceStop(m_source);
        alSourcei(m_source, AL_BUFFER, 0);
    }
}

void SoundPlayer::pause()
{
    stop();
}

bool SoundPlayer::isPlaying() const
{
    return running.load();
}

double SoundPlayer::fillAheadSeconds() const
{
    return static_cast<double>(queue.bufferFrames * queue.bufferCount) / sampleRate;
}

void SoundPlayer::feed()
{
    // Where the system grants it (a user allowed real-time priority), the
    // feeding thread runs ahead of ordinary busy programs; elsewhere the
    // request is refused and it runs as any thread.
    sched_param priority{};
    priority.sched_priority = sched_get_priority_min(SCHED_RR);
    pthread_setschedparam(pthread_self(), SCHED_RR, &priority);

    // Polled twice per buffer: a refill comes at most half a buffer late.
    const auto interval = std::chrono::duration<double>(0.5 * static_cast<double>(queue.bufferFrames) / sampleRate);
    while (running.load()) {
        refill();
        std::this_thread::sleep_for(interval);
    }
}

void SoundPlayer::refill()
{
    ALint state = AL_STOPPED;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED) {
        restartAfterUnderrun();
        return;
    }
    ALint played = 0;
    alGetSourcei(m_source, AL_BUFFERS_PROCESSED, &played);
    for (; played > 0; --played) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(m_source, 1, &buffer);
        queueFresh(buffer);
    }
}

void SoundPlayer::restartAfterUnderrun()
{
    if (!deviceConnected()) {
        std::cerr << "Dravik: the audio output device is gone; carrying on without sound\n";
        running.store(false);
        return;
    }
    underrunCount.fetch_add(1, std::memory_order_relaxed);
    // Everything queued has been played: drop it all, so none of it plays
    // again, and start over from silence.
    alSourcei(m_source, AL_BUFFER, 0);
    synth.fadeIn();
    for (unsigned buffer : buffers) {
        queueFresh(buffer);
    }
    alSourcePlay(m_source);
}

void SoundPlayer::queueFresh(unsigned buffer)
{
    render(samples.data(), queue.bufferFrames);
    alBufferData(buffer, AL_FORMAT_STEREO16, samples.data(),
                 static_cast<ALsizei>(samples.size() * sizeof(std::int16_t)), sampleRate);
    alSourceQueueBuffers(m_source, 1, &buffer);
}

void SoundPlayer::render(std::int16_t* frames, std::size_t frameCount)
{
    settings.take();
    // Applied on every buffer, so a voice that found no free slot gets one as
    // soon as a fading voice lets go of it.
    synth.apply(settings.latest());
    synth.render(frames, frameCount);
    gain.store(synth.gain(), std::memory_order_relaxed);
}

} // namespace dravik
