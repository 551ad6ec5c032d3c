#include "sound/FilePlayer.h"

#include "sound/QuietSfmlErrors.h"

#include <AL/alc.h>

#include <algorithm>

namespace dravik {

FilePlayer::FilePlayer() = default;

FilePlayer::~FilePlayer()
{
    // The streaming thread reads our members: end it before they go.
    sf::SoundStream::stop();
}

bool FilePlayer::deviceAvailable()
{
    // SFML opens the default device when the first audio object is built.
    return alcGetCurrentContext() != nullptr;
}

bool FilePlayer::open(std::uint32_t channelCount, std::uint32_t sampleRate)
{
    sf::SoundStream::stop();
    if (!deviceAvailable() || channelCount == 0 || sampleRate == 0)
        return false;
    {
        // An unsupported channel count is our message, not SFML's.
        const QuietSfmlErrors quiet;
        initialize(channelCount, sampleRate);
    }
    if (getChannelCount() != channelCount)
        return false;
    channels = channelCount;
    rate = sampleRate;
    // 50 ms chunks; SFML queues three, so 150 ms are queued: enough to ride out
    // a busy machine starving SFML's streaming thread. The position reported
    // is what the device plays, so the analysis follows the sound regardless.
    chunkFrames = std::max<std::uint64_t>(256, sampleRate / 20);
    ring.assign(ringFrames * channels, 0);
    chunk.assign(chunkFrames * channels, 0);
    held.assign(channels, 0.0f);
    gain = 0.0f;
    outputFrames = 0;
    writeIndex.store(0);
    readIndex.store(0);
    flushTo.store(-1);
    recordCount.store(0);
    lastHeard = 0;
    pausedFlag.store(true);
    sf::SoundStream::play();
    return true;
}

void FilePlayer::close()
{
    sf::SoundStream::stop();
    channels = 0;
}

std::uint64_t FilePlayer::writable() const
{
    if (channels == 0)
        return 0;
    const std::uint64_t queued = writeIndex.load(std::memory_order_relaxed) - readIndex.load(std::memory_order_acquire);
    return ringFrames - std::min(queued, ringFrames);
}

void FilePlayer::write(const std::int16_t* interleaved, std::uint64_t frames)
{
    if (channels == 0)
        return;
    const std::uint64_t start = writeIndex.load(std::memory_order_relaxed);
    frames = std::min(frames, writable());
    for (std::uint64_t f = 0; f < frames; ++f) {
        const std::uint64_t slot = ((start + f) % ringFrames) * channels;
        std::copy_n(interleaved + f * channels, channels, ring.begin() + static_cast<std::ptrdiff_t>(slot));
    }
    writeIndex.store(start + frames, std::memory_order_release);
}

void FilePlayer::flush()
{
    flushTo.store(static_cast<std::int64_t>(writeIndex.load(std::memory_order_relaxed)), std::memory_order_release);
}

std::uint64_t FilePlayer::heardFrame()
{
    if (channels == 0)
        return lastHeard;
    const double played = static_cast<double>(getPlayingOffset().asMicroseconds()) * rate / 1e6;
    const auto output = static_cast<std::uint64_t>(std::max(0.0, played));
    const std::uint64_t count = recordCount.load(std::memory_order_acquire);
    const std::uint64_t kept = std::min<std::uint64_t>(count, records.size());
    for (std::uint64_t i = 1; i <= kept; ++i) {
        const ChunkRecord_t& r = records[(count - i) % records.size()];
        const std::uint64_t start = r.outputStart.load(std::memory_order_relaxed);
        if (start <= output) {
            const std::uint64_t heard = r.timelineStart.load(std::memory_order_relaxed) +
                                        std::min(output - start, r.realFrames.load(std::memory_order_relaxed));
            // SFML's offset dips for a moment while it recycles a buffer.
            lastHeard = std::max(lastHeard, heard);
            return lastHeard;
        }
    }
    return lastHeard;
}

bool FilePlayer::onGetData(Chunk& data)
{
    const std::int64_t flush = flushTo.exchange(-1, std::memory_order_acq_rel);
    if (flush >= 0)
        readIndex.store(static_cast<std::uint64_t>(flush), std::memory_order_release);
    const std::uint64_t read = readIndex.load(std::memory_order_relaxed);
    const std::uint64_t available = writeIndex.load(std::memory_order_acquire) - read;
    const bool paused = pausedFlag.load(std::memory_order_relaxed);
    const bool muted = mutedFlag.load(std::memory_order_relaxed);
    const std::uint64_t taken = paused ? 0 : std::min(available, chunkFrames);
    const float step = 1.0f / fadeFrames;

    for (std::uint64_t f = 0; f < chunkFrames; ++f) {
        const bool real = f < taken;
        const float target = real && !muted ? 1.0f : 0.0f;
        gain = gain < target ? std::min(target, gain + step) : std::max(target, gain - step);
        const std::int16_t* source = real ? &ring[((read + f) % ringFrames) * channels] : nullptr;
        for (std::uint32_t c = 0; c < channels; ++c) {
            if (source != nullptr)
                held[c] = source[c];
            chunk[f * channels + c] = static_cast<std::int16_t>(held[c] * gain);
        }
    }

    ChunkRecord_t& record = records[recordCount.load(std::memory_order_relaxed) % records.size()];
    record.outputStart.store(outputFrames, std::memory_order_relaxed);
    record.timelineStart.store(read, std::memory_order_relaxed);
    record.realFrames.store(taken, std::memory_order_relaxed);
    recordCount.fetch_add(1, std::memory_order_release);
    outputFrames += chunkFrames;
    readIndex.store(read + taken, std::memory_order_release);

    data.samples = chunk.data();
    data.sampleCount = chunk.size();
    return true;
}

} // namespace dravik
