#pragma once

#include <cstdint>

namespace dravik {

struct AudioFormat_t {
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint64_t frames = 0;       // length as the file states it, until a read finds it shorter
    bool shorterThanHeader = false; // the header states more than the file holds
};

// An opened sound file, read as interleaved 16-bit frames.
class IAudioDecoder {
public:
    virtual ~IAudioDecoder() = default;
    virtual AudioFormat_t format() const = 0;
    // Reads up to `frames` frames into `interleaved`; fewer at the end, 0 past it.
    virtual std::uint64_t read(std::int16_t* interleaved, std::uint64_t frames) = 0;
    // The next read starts at this frame (clamped to the length).
    virtual void seek(std::uint64_t frame) = 0;
};

} // namespace dravik
