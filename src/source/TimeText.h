#pragma once

#include <cstddef>

namespace dravik {

// Writes seconds as m:ss.d (tenths truncated), e.g. 61.25 as "1:01.2";
// negative or non-finite values as 0:00.0. Writes nothing when size is 0.
void formatMinutes(double seconds, char* text, std::size_t size);

} // namespace dravik
