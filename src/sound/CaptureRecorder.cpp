#include "sound/CaptureRecorder.h"

#include "sound/QuietSfmlErrors.h"

#include <algorithm>

namespace dravik {

CaptureRecorder::CaptureRecorder()
    : ring(ringSamples)
{
}

CaptureRecorder::~CaptureRecorder()
{
    // SFML's recorder requires its subclass to stop the capture thread.
    stop();
}

std::vector<std::string> CaptureRecorder::availableDevices()
{
    const QuietSfmlErrors quiet;
    if (!sf::SoundRecorder::isAvailable())
        return {};
    return sf::SoundRecorder::getAvailableDevices();
}

std::string CaptureRecorder::defaultDevice()
{
    const QuietSfmlErrors quiet;
    return sf::SoundRecorder::getDefaultDevice();
}

bool CaptureRecorder::start(const std::string& device, std::uint32_t sampleRate, std::string& error)
{
    stop();
    const QuietSfmlErrors quiet;
    if (!sf::SoundRecorder::isAvailable()) {
        error = "sound capture is not available on this system";
        return false;
    }
    if (!setDevice(device)) {
        error = "the device cannot be opened";
        return false;
    }
    writeIndex.store(0);
    readIndex.store(0);
    // Short intervals keep the analysed window close to what was just captured.
    setProcessingInterval(sf::milliseconds(10));
    if (!sf::SoundRecorder::start(sampleRate)) {
        error = "the device refused to start capturing";
        return false;
    }
    capturing = true;
    return true;
}

void CaptureRecorder::stop()
{
    if (capturing)
        sf::SoundRecorder::stop();
    capturing = false;
}

std::uint64_t CaptureRecorder::read(std::int16_t* samples, std::uint64_t count)
{
    const std::uint64_t begin = readIndex.load(std::memory_order_relaxed);
    const std::uint64_t available = writeIndex.load(std::memory_order_acquire) - begin;
    const std::uint64_t taken = std::min(available, count);
    for (std::uint64_t i = 0; i < taken; ++i)
        samples[i] = ring[(begin + i) % ringSamples];
    readIndex.store(begin + taken, std::memory_order_release);
    return taken;
}

bool CaptureRecorder::onProcessSamples(const sf::Int16* samples, std::size_t count)
{
    const std::uint64_t begin = writeIndex.load(std::memory_order_relaxed);
    const std::uint64_t queued = begin - readIndex.load(std::memory_order_acquire);
    const std::uint64_t taken = std::min<std::uint64_t>(count, ringSamples - queued);
    for (std::uint64_t i = 0; i < taken; ++i)
        ring[(begin + i) % ringSamples] = samples[i];
    writeIndex.store(begin + taken, std::memory_order_release);
    return true;
}

} // namespace dravik
