#include "engine/AnalysisEngine.h"

#include "analysis/FFTSettings.h"
#include "mapping/MapperSettings.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

// Room for the events of several hops between two takes (a slow frame).
constexpr std::size_t pendingCapacity = 8 * PitchEstimator::noteCount;

FFTParams_t clampedHop(FFTParams_t params)
{
    // NaN is taken as the low end, like every other value below the range.
    const auto low = static_cast<float>(hopRateSetting.typed.low);
    const auto high = static_cast<float>(hopRateSetting.typed.high);
    params.hopRate = params.hopRate > low ? std::min(params.hopRate, high) : low;
    return params;
}

// The onsets' decisions read half the main window, ending at the latest
// block: ending a settled attack time after the onset, it holds little of the
// sound before the onset, and its edge weighs the attack's first burst down.
FFTParams_t decisionWindow(FFTParams_t params)
{
    params.windowSize /= 2;
    params.hopRate = 0.0f;
    return params;
}

} // namespace

AnalysisEngine::AnalysisEngine(double sampleRate, const FFTParams_t& fftParams, const NoteTrackerParams_t& tracking,
                               MapperType mapperType)
    : settings(clampedHop(fftParams))
    , rate(std::isfinite(sampleRate) && sampleRate > 0.0 ? sampleRate : 44100.0)
    , tracker(tracking)
    , fft(std::make_unique<FFTWRingBuffer>(settings))
    , onsetFft(std::make_unique<FFTWRingBuffer>(decisionWindow(settings)))
    , low(std::make_unique<LowNoteAnalyser>(tracking.lowWindowSize, settings.blockSize))
    , hops(std::make_unique<ShortHopAnalyser>())
    , activeMapper(makeMapperWrapper(mapperType, settings.windowSize, rate))
{
    pending.reserve(pendingCapacity);
    followFrame();
}

bool AnalysisEngine::setSampleRate(double sampleRate)
{
    if (!std::isfinite(sampleRate) || sampleRate <= 0.0)
        return false;
    // Notes found at the old rate end where its signal ended.
    endNotes();
    baseSeconds = seconds();
    baseSamples = pushed;
    rate = sampleRate;
    followFrame();
    // Samples taken at the old rate would smear the next windows.
    reset();
    return true;
}

void AnalysisEngine::applyFFTParams(const FFTParams_t& params)
{
    // The new analysers are complete before the old ones go.
    const FFTParams_t next = clampedHop(params);
    auto nextFft = std::make_unique<FFTWRingBuffer>(next);
    auto nextOnsetFft = std::make_unique<FFTWRingBuffer>(decisionWindow(next));
    auto nextLow = std::make_unique<LowNoteAnalyser>(tracker.params().lowWindowSize, next.blockSize);
    auto nextHops = std::make_unique<ShortHopAnalyser>();
    endNotes();
    baseSeconds = seconds();
    baseSamples = pushed;
    settings = next;
    fft = std::move(nextFft);
    onsetFft = std::move(nextOnsetFft);
    low = std::move(nextLow);
    hops = std::move(nextHops);
    latest = {};
    followFrame();
}

void AnalysisEngine::selectMapper(MapperType type)
{
    activeMapper = makeMapperWrapper(type, settings.windowSize, rate);
}

void AnalysisEngine::restoreMapperOptions(const GaussianCentsMapperParams_t& options)
{
    keptGaussian = options;
    if (GaussianCentsMapperParams_t* live = activeMapper->gaussianParams())
        copyUserSettings(options, *live);
}

void AnalysisEngine::restoreMapperOptions(const NoteEnergyParams_t& options)
{
    keptHarmonic = options;
    if (NoteEnergyParams_t* live = activeMapper->harmonicParams())
        copyUserSettings(options, *live);
}

const GaussianCentsMapperParams_t& AnalysisEngine::gaussianOptions() const
{
    const GaussianCentsMapperParams_t* live = activeMapper->gaussianParams();
    return live != nullptr ? *live : keptGaussian;
}

const NoteEnergyParams_t& AnalysisEngine::harmonicOptions() const
{
    const NoteEnergyParams_t* live = activeMapper->harmonicParams();
    return live != nullptr ? *live : keptHarmonic;
}

void AnalysisEngine::followFrame()
{
    MapperParams_t& mapping = *activeMapper->params();
    mapping.sampleRate = rate;
    mapping.fftSize = settings.windowSize;
    tracker.params().sampleRate = rate;
}

void AnalysisEngine::reset()
{
    fft->reset();
    onsetFft->reset();
    low->reset();
    hops->reset();
    latest = {};
}

bool AnalysisEngine::pushBlock(const double* samples, std::uint64_t count)
{
    if (!fft->pushBlock(samples, count))
        return false;
    onsetFft->pushBlock(samples, count);
    low->pushBlock(samples, count);
    hops->push(samples, count);
    pushed += count;
    trackOnsets();
    if (fft->isReady())
        trackHop();
    return true;
}

void AnalysisEngine::trackOnsets()
{
    if (!tracker.onsetDue(*hops))
        return;
    // Without a whole window (a block longer than it, the first samples) the
    // onset passes undecided and the regular frames decide its notes.
    const Spectrum_t window{onsetFft->isReady() ? onsetFft->compute() : MagnitudeSpectrum{}, rate,
                            settings.windowSize / 2, seconds()};
    keep(tracker.processOnsets(window, low->compute(tracker.params()), *hops));
}

void AnalysisEngine::trackHop()
{
    latest = Spectrum_t{fft->compute(), rate, settings.windowSize, seconds()};
    keep(tracker.process(latest, low->compute(tracker.params()), *hops));
}

NoteEventView AnalysisEngine::takeEvents()
{
    if (pendingTaken)
        pending.clear();
    pendingTaken = true;
    return {pending.data(), pending.size()};
}

void AnalysisEngine::endNotes()
{
    keep(tracker.flush(seconds()));
}

void AnalysisEngine::keep(NoteEventView events)
{
    if (pendingTaken) {
        pending.clear();
        pendingTaken = false;
    }
    pending.insert(pending.end(), events.begin(), events.end());
}

double AnalysisEngine::seconds() const
{
    return baseSeconds + static_cast<double>(pushed - baseSamples) / rate;
}

} // namespace dravik
