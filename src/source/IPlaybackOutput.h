#pragma once

#include <cstdint>

namespace dravik {

// Plays a file's frames as they are written and tells which one is being
// heard. Frames are counted from open(), flushed ones included, so the count
// is the file source's timeline. Frame thread only.
class IPlaybackOutput {
public:
    virtual ~IPlaybackOutput() = default;
    // Starts an empty, paused stream of this format; false when it cannot be played.
    virtual bool open(std::uint32_t channels, std::uint32_t sampleRate) = 0;
    virtual void close() = 0;
    // Frames write() takes now.
    virtual std::uint64_t writable() const = 0;
    virtual void write(const std::int16_t* interleaved, std::uint64_t frames) = 0;
    // Drops what was written and not yet heard; the next frame heard is the next written.
    virtual void flush() = 0;
    // Paused: the position stands still. Muted: it moves on, silently. Both fade, never click.
    virtual void setPaused(bool paused) = 0;
    virtual void setMuted(bool muted) = 0;
    // The frame interval, for outputs that keep time themselves.
    virtual void advance(double elapsedSeconds) = 0;
    // Timeline index of the frame being heard now.
    virtual std::uint64_t heardFrame() = 0;
};

} // namespace dravik
