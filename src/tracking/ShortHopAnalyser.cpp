#include "tracking/ShortHopAnalyser.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

constexpr std::uint32_t onsetWindow = 1024;
// Long enough for YIN to see two periods of the lowest bass notes.
constexpr std::uint32_t pitchWindow = 2048;
// An onset needs the peak level after it to rise by onsetRiseDb over the
// lowest of the onsetLookSamples before it.
constexpr double onsetRiseDb = 1.5;
constexpr std::uint64_t onsetLookSamples = 2048;

} // namespace

struct ShortHopAnalyser::Aubio {
    aubio_onset_t* onset = nullptr;
    aubio_onset_t* toneOnset = nullptr;
    aubio_pitch_t* pitch = nullptr;
    fvec_t* input = nullptr;
    fvec_t* onsetOut = nullptr;
    fvec_t* toneOut = nullptr;
    fvec_t* pitchOut = nullptr;
    double threshold = -1.0;

    explicit Aubio(double sampleRate)
    {
        const auto r = static_cast<uint_t>(sampleRate);
        onset = new_aubio_onset("specflux", onsetWindow, ShortHopAnalyser::hopSize, r);
        toneOnset = new_aubio_onset("hfc", onsetWindow, ShortHopAnalyser::hopSize, r);
        pitch = new_aubio_pitch("yinfast", pitchWindow, ShortHopAnalyser::hopSize, r);
        input = new_fvec(ShortHopAnalyser::hopSize);
        onsetOut = new_fvec(1);
        toneOut = new_fvec(1);
        pitchOut = new_fvec(1);
        for (aubio_onset_t* o : {onset, toneOnset}) {
            if (o != nullptr) {
                aubio_onset_set_minioi_ms(o, 40.0f);
                aubio_onset_set_silence(o, -60.0f);
            }
        }
        if (pitch != nullptr) {
            aubio_pitch_set_unit(pitch, "midi");
            aubio_pitch_set_silence(pitch, -60.0f);
            aubio_pitch_set_tolerance(pitch, 0.15f);
        }
    }
    ~Aubio()
    {
        if (onset != nullptr)
            del_aubio_onset(onset);
        if (toneOnset != nullptr)
            del_aubio_onset(toneOnset);
        if (pitch != nullptr)
            del_aubio_pitch(pitch);
        if (input != nullptr)
            del_fvec(input);
        if (onsetOut != nullptr)
            del_fvec(onsetOut);
        if (toneOut != nullptr)
            del_fvec(toneOut);
        if (pitchOut != nullptr)
            del_fvec(pitchOut);
    }
    Aubio(const Aubio&) = delete;
    Aubio& operator=(const Aubio&) = delete;
    bool usable() const
    {
        return onset != nullptr && toneOnset != nullptr && pitch != nullptr && input && onsetOut && toneOut && pitchOut;
    }
};

ShortHopAnalyser::ShortHopAnalyser()
    : ring(ringSize, 0.0f)
{
}

ShortHopAnalyser::~ShortHopAnalyser() = default;

void ShortHopAnalyser::push(const double* samples, std::uint64_t count)
{
    for (std::uint64_t i = 0; i < count; ++i)
        ring[(pushed + i) % ringSize] = static_cast<float>(samples[i]);
    pushed += count;
}

void ShortHopAnalyser::reset()
{
    aubio.reset();
    rate = 0.0;
    nextHopSample = pushed;
    firstHop = analysed;
    origin = pushed;
}

void ShortHopAnalyser::update(double sampleRate, double onsetThreshold)
{
    if (!(sampleRate > 0.0))
        return;
    // Samples that left the ring unanalysed are skipped, and the detectors
    // start again after the gap.
    if (pushed - nextHopSample > ringSize) {
        nextHopSample = pushed - ringSize / 2;
        aubio.reset();
    }
    if (aubio == nullptr || sampleRate != rate) {
        aubio = std::make_unique<Aubio>(sampleRate);
        rate = sampleRate;
        origin = nextHopSample;
    }
    if (!aubio->usable())
        return;
    if (onsetThreshold != aubio->threshold) {
        aubio_onset_set_threshold(aubio->onset, static_cast<smpl_t>(onsetThreshold));
        aubio_onset_set_threshold(aubio->toneOnset, static_cast<smpl_t>(onsetThreshold));
        aubio->threshold = onsetThreshold;
    }
    while (nextHopSample + hopSize <= pushed) {
        double energy = 0.0;
        for (std::uint32_t i = 0; i < hopSize; ++i) {
            const float s = ring[(nextHopSample + i) % ringSize];
            aubio->input->data[i] = s;
            energy += static_cast<double>(s) * s;
        }
        aubio_onset_do(aubio->onset, aubio->input, aubio->onsetOut);
        aubio_onset_do(aubio->toneOnset, aubio->input, aubio->toneOut);
        aubio_pitch_do(aubio->pitch, aubio->input, aubio->pitchOut);
        ShortHop_t& h = hops[analysed % historySize];
        h.sample = nextHopSample;
        h.levelDb = energy > 0.0 ? 10.0 * std::log10(2.0 * energy / hopSize) : -400.0;
        h.confidence = aubio_pitch_get_confidence(aubio->pitch);
        h.pitchMidi = aubio->pitchOut->data[0] > 0.0f ? aubio->pitchOut->data[0] : 0.0;
        h.onset = false;
        h.onsetSample = 0;
        h.riseDb = 0.0;
        ++analysed;
        const bool flux = aubio->onsetOut->data[0] > 0.0f;
        if (flux || aubio->toneOut->data[0] > 0.0f) {
            // aubio counts samples from its own start; an onset it places
            // before that start is the first hop's.
            const std::uint64_t at =
                std::max(origin, origin + aubio_onset_get_last(flux ? aubio->onset : aubio->toneOnset));
            // Spectral change without a rise in level (a steady tone, vibrato)
            // is no onset.
            const std::uint64_t before = at > onsetLookSamples ? at - onsetLookSamples : 0;
            const double rise = peakLevelDb(at, h.sample + hopSize) - lowestLevelDb(before, at);
            h.onset = rise >= onsetRiseDb;
            h.onsetSample = at;
            h.riseDb = rise;
        }
        nextHopSample += hopSize;
    }
}

double ShortHopAnalyser::lowestLevelDb(std::uint64_t from, std::uint64_t to) const
{
    double lowest = 400.0;
    for (std::uint64_t i = analysed; i-- > firstKeptHop();) {
        const ShortHop_t& h = hop(i);
        if (h.sample + hopSize <= from)
            break;
        if (h.sample < to)
            lowest = std::min(lowest, h.levelDb);
    }
    return lowest < 400.0 ? lowest : -400.0;
}

bool ShortHopAnalyser::strongestOnset(std::uint64_t from, std::uint64_t to, std::uint64_t& at) const
{
    bool found = false;
    double rise = 0.0;
    for (std::uint64_t i = analysed; i-- > firstKeptHop();) {
        const ShortHop_t& h = hop(i);
        if (h.sample + 2 * onsetWindow < from)
            break;
        if (h.onset && h.onsetSample >= from && h.onsetSample < to && (!found || h.riseDb > rise)) {
            at = h.onsetSample;
            rise = h.riseDb;
            found = true;
        }
    }
    return found;
}

double ShortHopAnalyser::peakLevelDb(std::uint64_t from, std::uint64_t to) const
{
    double peak = -400.0;
    for (std::uint64_t i = analysed; i-- > firstKeptHop();) {
        const ShortHop_t& h = hop(i);
        if (h.sample + hopSize <= from)
            break;
        if (h.sample < to)
            peak = std::max(peak, h.levelDb);
    }
    return peak;
}

} // namespace dravik
