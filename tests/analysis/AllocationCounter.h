#pragma once

#include <cstdint>

namespace dravik::testing {

// Number of global operator new calls so far in this test program.
std::uint64_t allocationCount();

} // namespace dravik::testing
