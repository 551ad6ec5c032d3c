#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dravik {

// A sound capture device delivering mono 16-bit samples on its own thread;
// read() collects them on the frame thread.
class ICaptureDevice {
public:
    virtual ~ICaptureDevice() = default;
    virtual std::vector<std::string> availableDevices() = 0;
    virtual std::string defaultDevice() = 0;
    // Starts capturing from the named device; false, with a reason, when it cannot.
    virtual bool start(const std::string& device, std::uint32_t sampleRate, std::string& error) = 0;
    virtual void stop() = 0;
    // Takes up to `count` captured samples, oldest first.
    virtual std::uint64_t read(std::int16_t* samples, std::uint64_t count) = 0;
};

} // namespace dravik
