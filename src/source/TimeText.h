#pragma once

#include "source/IAudioDecoder.h"

#include <cstddef>
#include <string>

namespace dravik {

// Writes seconds as m:ss.d (tenths truncated), e.g. 61.25 as "1:01.2";
// negative or non-finite values as 0:00.0. Writes nothing when size is 0.
void formatMinutes(double seconds, char* text, std::size_t size);

// The one line that says a file holds less than its header states, with the
// length that can be read.
std::string shorterThanHeaderMessage(const std::string& path, const AudioFormat_t& format);

} // namespace dravik
