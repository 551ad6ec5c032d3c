#pragma once

#include <cstddef>
#include <cstdint>

namespace dravik {

// A MIDI output that takes one channel message at a time.
class IMidiPort {
public:
    virtual ~IMidiPort() = default;
    virtual void send(const std::uint8_t* bytes, std::size_t count) = 0;
};

} // namespace dravik
