#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Replaces the global allocation functions of the test program to count them.
// Kept in its own file so that no caller sees malloc and free behind them.
namespace {
std::atomic<long> count{0};
}

void* operator new(std::size_t size)
{
    ++count;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

long dravik::testing::allocationCount()
{
    return count.load();
}
