#pragma once

#include "source/IPlaybackOutput.h"

#include <SFML/Audio/SoundStream.hpp>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace dravik {

// Plays a file's frames, in the file's own channels and rate, through the
// sound card. The frame thread writes frames into a lock-free ring; SFML's
// streaming thread takes them and never waits. When the ring runs dry, on
// pause and on mute the sound fades over a few milliseconds instead of
// stopping dead, so the end of a file, a pause or a seek never clicks.
//
// The position heard comes from SFML's playing offset (what the device has
// played), mapped back to the frames written through a short record of the
// chunks handed out.
class FilePlayer final : public IPlaybackOutput, private sf::SoundStream {
public:
    // Frames the ring holds: written this far ahead of what is heard.
    static constexpr std::uint64_t ringFrames = 65536;
    static constexpr std::uint64_t fadeFrames = 256;

    FilePlayer();
    ~FilePlayer() override;
    FilePlayer(const FilePlayer&) = delete;
    FilePlayer& operator=(const FilePlayer&) = delete;

    // True when an audio output device exists.
    static bool deviceAvailable();

    bool open(std::uint32_t channels, std::uint32_t sampleRate) override;
    void close() override;
    std::uint64_t writable() const override;
    void write(const std::int16_t* interleaved, std::uint64_t frames) override;
    void flush() override;
    void setPaused(bool paused) override { pausedFlag.store(paused, std::memory_order_relaxed); }
    void setMuted(bool muted) override { mutedFlag.store(muted, std::memory_order_relaxed); }
    void advance(double) override {}
    std::uint64_t heardFrame() override;

private:
    bool onGetData(Chunk& data) override;
    void onSeek(sf::Time) override {}

    // One chunk handed to SFML: its first output frame, the timeline frame it
    // started at, and how many of its frames came from the ring (the rest faded).
    struct ChunkRecord_t {
        std::atomic<std::uint64_t> outputStart{0};
        std::atomic<std::uint64_t> timelineStart{0};
        std::atomic<std::uint64_t> realFrames{0};
    };

    std::uint32_t channels = 0;
    std::uint32_t rate = 0;
    std::uint64_t chunkFrames = 0;
    std::vector<std::int16_t> ring;
    std::atomic<std::uint64_t> writeIndex{0}; // frames; written by the frame thread
    std::atomic<std::uint64_t> readIndex{0};  // frames; written by the streaming thread
    std::atomic<std::int64_t> flushTo{-1};    // a flush the streaming thread has still to apply
    std::atomic<bool> pausedFlag{true};
    std::atomic<bool> mutedFlag{false};
    std::array<ChunkRecord_t, 16> records;
    std::atomic<std::uint64_t> recordCount{0};
    std::uint64_t lastHeard = 0;

    // Streaming thread only.
    std::vector<std::int16_t> chunk;
    std::vector<float> held; // the last frame played, faded out when the ring runs dry
    float gain = 0.0f;
    std::uint64_t outputFrames = 0;
};

} // namespace dravik
