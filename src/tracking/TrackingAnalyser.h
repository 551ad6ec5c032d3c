#pragma once

#include "analysis/FFTParams.h"
#include "analysis/FFTWRingBuffer.h"
#include "analysis/IFFT.h"
#include "shared/ArrayView.h"
#include "tracking/LowNoteAnalyser.h"
#include "tracking/NoteTrackerParams.h"
#include "tracking/ShortHopAnalyser.h"

#include <cstdint>

namespace dravik {

// The program's analyser: every block pushed goes to the spectrum analysis, to
// the longer low-note analysis and to the short-hop onset and pitch analysis alike, so whatever feeds the analyser (the
// generators, a file, a capture device) also feeds the note tracker.
class TrackingAnalyser final : public IFFT {
public:
    TrackingAnalyser(const FFTParams_t& params, std::uint32_t lowWindowSize);

    bool isReady() const override { return fft.isReady(); }
    std::uint64_t blocksUntilReady() const override { return fft.blocksUntilReady(); }
    // Both analyses start afresh; the count of pushed samples runs on.
    void reset() override;
    bool pushBlock(const double* samples, std::uint64_t count) override;
    MagnitudeSpectrum compute() override { return fft.compute(); }

    ArrayView<double> lowNotes(const NoteTrackerParams_t& params) { return low.compute(params); }
    ShortHopAnalyser& shortHops() { return hops; }
    // Samples accepted since construction: the tracker's clock.
    std::uint64_t samplesPushed() const { return pushed; }

private:
    FFTWRingBuffer fft;
    LowNoteAnalyser low;
    ShortHopAnalyser hops;
    std::uint64_t pushed = 0;
};

} // namespace dravik
