#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
// Per thread: a test counts what its own thread allocates, not what the
// graphics driver's or the audio stream's threads do meanwhile.
thread_local std::uint64_t allocations = 0;
} // namespace

namespace dravik::testing {
std::uint64_t allocationCount()
{
    return allocations;
}
} // namespace dravik::testing

// Counting replacements of the global allocation functions; the array and
// nothrow forms forward to these.
void* operator new(std::size_t size)
{
    ++allocations;
    if (void* memory = std::malloc(size != 0 ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
