#include "source/TimeText.h"

#include <string>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace dravik {

void formatMinutes(double seconds, char* text, std::size_t size)
{
    if (size == 0)
        return;
    const double clean = std::isfinite(seconds) && seconds > 0.0 ? std::min(seconds, 1e12) : 0.0;
    const auto tenths = static_cast<std::uint64_t>(std::floor(clean * 10.0 + 1e-6));
    std::snprintf(text, size, "%llu:%02u.%u", static_cast<unsigned long long>(tenths / 600),
                  static_cast<unsigned>(tenths / 10 % 60), static_cast<unsigned>(tenths % 10));
}

std::string shorterThanHeaderMessage(const std::string& path, const AudioFormat_t& format)
{
    char length[32];
    formatMinutes(format.sampleRate != 0 ? static_cast<double>(format.frames) / format.sampleRate : 0.0, length,
                  sizeof length);
    return path + ": the file is shorter than its header states; " + length + " (" + std::to_string(format.frames) +
           " frames) can be read";
}

} // namespace dravik
