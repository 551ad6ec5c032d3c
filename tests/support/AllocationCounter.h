#pragma once

#include <cstdint>
#include <utility>

namespace dravik::testing {

// Number of global operator new calls the calling thread has made so far.
// Linking dravik_allocation_counter replaces the global operator new (and
// with it the sanitizers' own checks of new and delete).
std::uint64_t allocationCount();

template <typename F>
std::uint64_t allocationsDuring(F&& run)
{
    const std::uint64_t before = allocationCount();
    std::forward<F>(run)();
    return allocationCount() - before;
}

} // namespace dravik::testing
