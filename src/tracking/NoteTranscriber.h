#pragma once

#include "analysis/FFTParams.h"
#include "analysis/FFTWRingBuffer.h"
#include "tracking/LowNoteAnalyser.h"
#include "tracking/NoteTracker.h"

#include <cstdint>

namespace dravik {

// The whole chain from samples to notes: the analyser with the program's FFT
// settings, the longer low-note analysis fed the same blocks, and the tracker.
// Used where no window runs (batch transcription); the scene runs the same
// stages on its own analyser.
class NoteTranscriber {
public:
    NoteTranscriber(const FFTParams_t& fft, const NoteTrackerParams_t& tracking);

    // Pushes one block of blockSize samples; when it completes a hop the frame
    // is tracked and true is returned: read events() and active() then.
    bool pushBlock(const double* samples, std::uint64_t count);
    // Ends the sounding notes at the time of the last pushed sample.
    NoteEventView finish();

    NoteEventView events() const { return lastEvents; }
    ActiveNoteView active() const { return tracker.active(); }
    double timeSeconds() const;
    const FFTParams_t& fftParams() const { return fftSettings; }

private:
    FFTParams_t fftSettings;
    FFTWRingBuffer analyser;
    LowNoteAnalyser lowAnalyser;
    NoteTracker tracker;
    NoteEventView lastEvents;
    std::uint64_t samplesPushed = 0;
};

} // namespace dravik
