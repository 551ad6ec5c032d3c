#pragma once

#include "analysis/BlockRingBuffer.h"
#include "shared/ArrayView.h"
#include "tracking/NoteTrackerParams.h"

#include <array>
#include <cstdint>
#include <vector>

namespace dravik {

// The longer analysis for low notes: over a window of lowWindowSize samples it
// measures the amplitude at the exact frequency of every note below the split
// (Goertzel on the Hann-windowed samples). Sampling at the notes' own
// frequencies, not at bins, keeps a tone's leakage into its semitone
// neighbours far below the tone (about -28 dB at MIDI 40 with 16384 samples),
// where neighbouring FFT peaks would merge. Allocates at construction only.
class LowNoteAnalyser {
public:
    static constexpr std::int32_t noteCount = 128;

    LowNoteAnalyser(std::uint32_t windowSize, std::uint32_t blockSize);

    // Appends one block of blockSize samples; false, changing nothing, if refused.
    bool pushBlock(const double* samples, std::uint64_t count);
    // Amplitude (single-sided, a sine of amplitude a reads a) per MIDI note for
    // the notes from lowNote to below splitNote, 0 elsewhere; empty until a
    // whole window was pushed.
    ArrayView<double> compute(const NoteTrackerParams_t& params);
    void reset();

private:
    BlockRingBuffer ring;
    std::uint64_t blocksNeeded;
    std::uint64_t pushed = 0;
    std::vector<double> window;
    double windowSum = 0.0;
    std::vector<double> frame;
    std::array<double, noteCount> amplitudes{};
};

} // namespace dravik
