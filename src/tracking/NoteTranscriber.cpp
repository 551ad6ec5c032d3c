#include "tracking/NoteTranscriber.h"

namespace dravik {

NoteTranscriber::NoteTranscriber(const FFTParams_t& fft, const NoteTrackerParams_t& tracking)
    : fftSettings(fft)
    , analyser(fft, tracking.lowWindowSize)
    , tracker(tracking)
{
}

double NoteTranscriber::timeSeconds() const
{
    const double rate = tracker.params().sampleRate;
    return rate > 0.0 ? static_cast<double>(analyser.samplesPushed()) / rate : 0.0;
}

bool NoteTranscriber::pushBlock(const double* samples, std::uint64_t count)
{
    lastEvents = {};
    if (!analyser.pushBlock(samples, count) || !analyser.isReady())
        return false;
    const MagnitudeSpectrum spectrum = analyser.compute();
    lastEvents = tracker.process(spectrum, fftSettings.windowSize, analyser, timeSeconds());
    return true;
}

NoteEventView NoteTranscriber::finish()
{
    lastEvents = tracker.flush(timeSeconds());
    return lastEvents;
}

} // namespace dravik
