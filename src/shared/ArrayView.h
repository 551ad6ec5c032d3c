#pragma once

#include <cstddef>
#include <cstdint>

namespace dravik {

// A read-only, non-owning view of a contiguous run of T: how buffers are handed
// between parts. It stays valid until its producer's next call that refills or
// releases the storage; nobody copies the data behind it.
template <typename T>
struct ArrayView {
    const T* data = nullptr;
    std::uint64_t count = 0;

    bool empty() const { return count == 0; }
    std::uint64_t size() const { return count; }
    const T& operator[](std::uint64_t i) const { return data[i]; }
    const T* begin() const { return data; }
    const T* end() const { return data + count; }
};

} // namespace dravik
