#pragma once

#include "source/ICaptureDevice.h"

#include <SFML/Audio/SoundRecorder.hpp>

#include <atomic>
#include <cstdint>
#include <vector>

namespace dravik {

// Captures mono sound with SFML's recorder (OpenAL capture). The recorder's
// thread puts the samples into a lock-free ring and never waits; when the
// frame thread falls behind by more than the ring holds, the newest samples
// are dropped.
class CaptureRecorder final : public ICaptureDevice, private sf::SoundRecorder {
public:
    static constexpr std::uint64_t ringSamples = std::uint64_t{1} << 18;

    CaptureRecorder();
    ~CaptureRecorder() override;
    CaptureRecorder(const CaptureRecorder&) = delete;
    CaptureRecorder& operator=(const CaptureRecorder&) = delete;

    std::vector<std::string> availableDevices() override;
    std::string defaultDevice() override;
    bool start(const std::string& device, std::uint32_t sampleRate, std::string& error) override;
    void stop() override;
    std::uint64_t read(std::int16_t* samples, std::uint64_t count) override;

private:
    bool onProcessSamples(const sf::Int16* samples, std::size_t count) override;

    std::vector<std::int16_t> ring;
    std::atomic<std::uint64_t> writeIndex{0};
    std::atomic<std::uint64_t> readIndex{0};
    bool capturing = false;
};

} // namespace dravik
