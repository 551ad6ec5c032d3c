#include "tracking/NoteTranscriber.h"

namespace dravik {

NoteTranscriber::NoteTranscriber(const FFTParams_t& fft, const NoteTrackerParams_t& tracking)
    : fftSettings(fft)
    , analyser(fft)
    , lowAnalyser(tracking.lowWindowSize, fft.blockSize)
    , tracker(tracking)
{
}

double NoteTranscriber::timeSeconds() const
{
    const double rate = tracker.params().sampleRate;
    return rate > 0.0 ? static_cast<double>(samplesPushed) / rate : 0.0;
}

bool NoteTranscriber::pushBlock(const double* samples, std::uint64_t count)
{
    lastEvents = {};
    if (!analyser.pushBlock(samples, count))
        return false;
    lowAnalyser.pushBlock(samples, count);
    samplesPushed += count;
    if (!analyser.isReady())
        return false;
    const MagnitudeSpectrum spectrum = analyser.compute();
    lastEvents =
        tracker.process(spectrum, fftSettings.windowSize, lowAnalyser.compute(tracker.params()), timeSeconds());
    return true;
}

NoteEventView NoteTranscriber::finish()
{
    lastEvents = tracker.flush(timeSeconds());
    return lastEvents;
}

} // namespace dravik
