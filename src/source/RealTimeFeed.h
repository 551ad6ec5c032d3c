#pragma once

#include "analysis/IFFT.h"

#include <cstdint>
#include <vector>

namespace dravik {

// The recent mono samples of a real-time source on its timeline, and the
// analyser's place in them. Samples are appended as they are decoded or
// captured; feed() pushes the window that ends at the heard position when a
// spectrum is due (see paceAnalysis).
class RealTimeFeed {
public:
    // Keeps the last `capacity` samples, rounded up to a power of two; it must
    // hold the largest window plus what is decoded ahead of the position.
    explicit RealTimeFeed(std::uint64_t capacity);

    // Forgets every sample; the timeline starts again at 0.
    void clear();
    void append(const double* samples, std::uint64_t count);
    // Timeline index after the last appended sample.
    std::int64_t end() const { return writeEnd; }

    // Nothing before `from` is analysed (a seek: the samples before it were never heard).
    void startOver(std::int64_t from);
    // The next spectrum refills the analyser from the samples heard last.
    void restart() { restartPending = true; }

    // Pushes into the analyser what is due at the heard position; true when a
    // spectrum is ready. `heard` is clamped to what was appended.
    bool feed(IFFT& analyser, std::uint32_t blockSize, std::uint32_t windowSize, std::int64_t heard);

    // A restart analyses everything heard since the start or a seek when it
    // is at most this many windows.
    static constexpr std::uint32_t catchUpWindows = 4;

private:
    void push(IFFT& analyser, std::int64_t begin, std::int64_t end, std::uint32_t blockSize);

    std::vector<double> ring;
    std::uint64_t mask;
    std::vector<double> block; // one block, copied out of the ring
    std::int64_t writeEnd = 0;
    std::int64_t pushedEnd = 0;
    std::int64_t validFrom = 0;
    std::uint64_t hop = 0; // learned from the analyser after each spectrum
    bool restartPending = true;
};

} // namespace dravik
