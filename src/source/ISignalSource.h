#pragma once

#include "analysis/IFFT.h"

#include <cstdint>

namespace dravik {

// A source of mono analysis samples at its own sample rate. Real sound (a file
// being played, a capture device) is analysed as it is heard: the analysed
// window ends at the playback or capture position, so one spectrum is due per
// hop of real time, and at most one is computed per frame.
class ISignalSource {
public:
    virtual ~ISignalSource() = default;
    // Hz of the samples this source hands to the analyser.
    virtual double sampleRate() const = 0;
    // Moves the source on by one frame interval (decodes ahead, collects what was captured).
    virtual void update(double elapsedSeconds) = 0;
    // Pushes what the analyser needs for its next spectrum, if it is due; true
    // when the analyser completed a hop and a spectrum is ready to compute.
    virtual bool feedAnalyser(IFFT& analyser, std::uint32_t blockSize, std::uint32_t windowSize) = 0;
    // The analyser was replaced or emptied: refill it from what was heard last.
    virtual void restartAnalysis() = 0;
};

} // namespace dravik
