#pragma once

namespace dravik::testing {

// Heap allocations made through operator new by this test program so far.
long allocationCount();

} // namespace dravik::testing
