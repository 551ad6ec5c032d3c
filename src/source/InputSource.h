#pragma once

#include "source/ICaptureDevice.h"
#include "source/ISignalSource.h"
#include "source/RealTimeFeed.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dravik {

// Live sound from a capture device, analysed as it arrives: the analysed
// window ends at the last captured sample. Capture is never played back.
class InputSource final : public ISignalSource {
public:
    static constexpr std::uint32_t captureRate = 44100;
    // A running device that delivers nothing for this long is taken as gone.
    static constexpr double silentDeviceSeconds = 1.0;

    explicit InputSource(ICaptureDevice& device);

    std::vector<std::string> devices() { return device.availableDevices(); }
    std::string defaultDevice() { return device.defaultDevice(); }

    // Starts capturing from the named device (the default when empty); false,
    // with a reason in error(), when it cannot.
    bool start(const std::string& name);
    void stop();
    bool isRunning() const { return running; }
    const std::string& deviceName() const { return name; }
    // Why the last start failed or why capture stopped; empty when neither.
    const std::string& error() const { return lastError; }

    double sampleRate() const override { return captureRate; }
    void update(double elapsedSeconds) override;
    bool feedAnalyser(IFFT& analyser, std::uint32_t blockSize, std::uint32_t windowSize) override;
    void restartAnalysis() override { feed.restart(); }

private:
    ICaptureDevice& device;
    RealTimeFeed feed;
    std::vector<std::int16_t> captured;
    std::vector<double> mono;
    std::string name;
    std::string lastError;
    double silentFor = 0.0;
    bool running = false;
};

} // namespace dravik
