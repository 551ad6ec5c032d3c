#pragma once

#include <cstdint>

namespace dravik {

// Positions are sample indices on a source's timeline (the samples in the order
// they are heard); the analyser holds the contiguous stretch that ends at pushedEnd.
enum class PacingAction : std::uint8_t {
    Wait,     // no spectrum is due yet
    Continue, // push [pushedEnd, windowEnd): the hop just completed, contiguous with the analyser
    Restart,  // more than a hop is due: empty the analyser and push the latest window [windowEnd - window, windowEnd)
};

struct PacingStep_t {
    PacingAction action;
    std::int64_t windowEnd;
};

struct PacingState_t {
    std::int64_t pushedEnd; // end of what the analyser holds
    std::uint64_t needed;   // samples the analyser needs for its next spectrum
    std::uint64_t hop;      // samples between spectra once its window is full
    std::uint64_t window;   // samples in one window
    std::int64_t heard;     // the playback or capture position
    std::int64_t validFrom; // nothing before this may be analysed (a seek, the start)
};

// Which window to analyse now, if any. A spectrum is due once the position has
// reached the end of the analyser's next hop; when several hops are due (a slow
// frame, a hop shorter than a frame) only the latest window, ending at the
// position, is analysed.
PacingStep_t paceAnalysis(const PacingState_t& state);

} // namespace dravik
