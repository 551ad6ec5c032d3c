#include "source/ClockOutput.h"

#include <algorithm>

namespace dravik {

bool ClockOutput::open(std::uint32_t, std::uint32_t sampleRate)
{
    rate = sampleRate;
    written = 0;
    heard = 0.0;
    paused = true;
    return sampleRate != 0;
}

void ClockOutput::close()
{
    rate = 0.0;
    paused = true;
}

std::uint64_t ClockOutput::writable() const
{
    // Half a second ahead, like a device's queue.
    const auto ahead = static_cast<std::uint64_t>(rate / 2.0);
    const std::uint64_t queued = written - static_cast<std::uint64_t>(heard);
    return ahead > queued ? ahead - queued : 0;
}

void ClockOutput::write(const std::int16_t*, std::uint64_t frames)
{
    written += frames;
}

void ClockOutput::flush()
{
    heard = static_cast<double>(written);
}

void ClockOutput::advance(double elapsedSeconds)
{
    if (!paused && elapsedSeconds > 0.0)
        heard = std::min(static_cast<double>(written), heard + elapsedSeconds * rate);
}

} // namespace dravik
