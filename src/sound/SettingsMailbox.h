#pragma once

#include <array>
#include <atomic>

namespace dravik {

// Hands the latest value of T from one writer thread to one reader thread
// without locks or waiting (a triple buffer). The writer fills its own slot
// and publishes it; the reader takes the newest published slot when it wants.
// Neither side ever sees a slot the other is using, and a reader that takes
// nothing new keeps the value it had.
template <typename T>
class SettingsMailbox {
public:
    // Writer side: the slot to fill, then publish() to hand it over.
    T& draft() { return slots[writing]; }
    void publish() { writing = shared.exchange(writing | fresh, std::memory_order_acq_rel) & slotMask; }

    // Reader side: takes the newest published value if there is one; returns
    // whether it did. latest() is the value taken last (T{} before any).
    bool take()
    {
        if ((shared.load(std::memory_order_relaxed) & fresh) == 0) {
            return false;
        }
        reading = shared.exchange(reading, std::memory_order_acq_rel) & slotMask;
        return true;
    }
    const T& latest() const { return slots[reading]; }

private:
    static constexpr unsigned slotMask = 3;
    static constexpr unsigned fresh = 4; // the shared slot holds a value not taken yet

    std::array<T, 3> slots{};
    unsigned writing = 0;            // writer thread only
    unsigned reading = 1;            // reader thread only
    std::atomic<unsigned> shared{2}; // the slot in between, and its fresh bit
};

} // namespace dravik
