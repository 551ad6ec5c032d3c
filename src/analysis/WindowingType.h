#pragma once

#include <cstdint>

namespace dravik {

// Values are the item indices of the "Windowing Type" combo.
enum class WindowingType : std::uint8_t { None = 0, Hann = 1, Hamming = 2, Blackman = 3 };

} // namespace dravik
