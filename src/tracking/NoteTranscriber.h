#pragma once

#include "analysis/FFTParams.h"
#include "tracking/NoteTracker.h"
#include "tracking/TrackingAnalyser.h"

#include <cstdint>

namespace dravik {

// The whole chain from samples to notes where no window runs (batch
// transcription): the program's analyser with its FFT settings and the
// tracker, stepped exactly as the program's scene steps them.
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
    TrackingAnalyser analyser;
    NoteTracker tracker;
    NoteEventView lastEvents;
};

} // namespace dravik
