#include "source/InputSource.h"

namespace dravik {

namespace {

constexpr std::uint64_t readSamples = 4096;
constexpr std::uint64_t historySamples = std::uint64_t{1} << 20;

} // namespace

InputSource::InputSource(ICaptureDevice& device)
    : device(device)
    , feed(historySamples)
    , captured(readSamples)
    , mono(readSamples)
{
}

bool InputSource::start(const std::string& requested)
{
    stop();
    const std::vector<std::string> names = device.availableDevices();
    if (names.empty()) {
        lastError = "no sound capture device found";
        return false;
    }
    const std::string chosen = requested.empty() ? device.defaultDevice() : requested;
    std::string reason;
    if (!device.start(chosen, captureRate, reason)) {
        lastError = "cannot capture from \"" + chosen + "\": " + (reason.empty() ? "the device refused" : reason);
        return false;
    }
    name = chosen;
    lastError.clear();
    feed.clear();
    silentFor = 0.0;
    running = true;
    return true;
}

void InputSource::stop()
{
    if (running)
        device.stop();
    running = false;
}

void InputSource::update(double elapsedSeconds)
{
    if (!running)
        return;
    std::uint64_t total = 0;
    for (;;) {
        const std::uint64_t got = device.read(captured.data(), captured.size());
        for (std::uint64_t i = 0; i < got; ++i)
            mono[i] = captured[i] / 32768.0;
        feed.append(mono.data(), got);
        total += got;
        if (got < captured.size())
            break;
    }
    silentFor = total != 0 ? 0.0 : silentFor + elapsedSeconds;
    if (silentFor >= silentDeviceSeconds) {
        stop();
        lastError = "capture device \"" + name + "\" stopped delivering sound (unplugged?)";
    }
}

bool InputSource::feedAnalyser(IFFT& analyser, std::uint32_t blockSize, std::uint32_t windowSize)
{
    if (!running)
        return false;
    return feed.feed(analyser, blockSize, windowSize, feed.end());
}

} // namespace dravik
