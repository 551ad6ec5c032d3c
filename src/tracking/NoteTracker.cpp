#include "tracking/NoteTracker.h"

#include "analysis/BinFrequency.h"
#include "shared/NoteFrequency.h"

#include <algorithm>
#include <cmath>

namespace dravik {

NoteTracker::NoteTracker(const NoteTrackerParams_t& params)
    : record(params)
{
    events.reserve(2 * PitchEstimator::noteCount);
    activeList.reserve(PitchEstimator::noteCount);
}

bool NoteTracker::isOvertoneResidue(const NoteLevel_t& level,
                                    const std::array<const NoteLevel_t*, PitchEstimator::noteCount>& seen,
                                    double timeSeconds) const
{
    // Partials 2 to 9 of a lower note, in semitones above it. Octave doublings
    // are common in music, so an octave only loses the hysteresis. An octave
    // heard ever since a lower note held for a while started is that note's
    // partial and, like the higher partials, needs overtoneRelativeDb.
    for (const std::int32_t interval : {12, 19, 24, 28, 31, 34, 36, 38}) {
        const std::int32_t below = level.note - interval;
        if (below < 0)
            break;
        const NoteLevel_t* lower = seen[static_cast<std::size_t>(below)];
        if (lower == nullptr || lower->levelDb <= level.levelDb)
            continue;
        const NoteState& held = state[static_cast<std::size_t>(below)];
        const NoteState& self = state[static_cast<std::size_t>(level.note)];
        const bool lateOctave = !self.on && held.on && timeSeconds - held.foundSeconds > record.minDurationSeconds &&
                                self.seenSinceSeconds <= held.foundSeconds + record.minDurationSeconds;
        const double needed = interval == 12 && !lateOctave ? record.relativeOnDb : record.overtoneRelativeDb;
        if (level.levelDb - lower->levelDb < needed)
            return true;
    }
    return false;
}

bool NoteTracker::fallsFast(NoteState& s, double levelDb, double timeSeconds) const
{
    // Highest level of the last span and of the span before it: a note
    // decaying at a steady rate falls about as much in both, a release falls
    // faster in the last.
    const double span = record.releaseSlopeSeconds;
    double recent = levelDb;
    double before = -400.0;
    for (std::size_t i = 0; i < s.historyCount; ++i) {
        const LevelAt& past = s.history[i];
        if (past.timeSeconds > timeSeconds - span + 1e-9)
            recent = std::max(recent, past.levelDb);
        else if (past.timeSeconds > timeSeconds - 2.0 * span + 1e-9)
            before = std::max(before, past.levelDb);
    }
    s.history[s.historyNext] = {timeSeconds, levelDb};
    s.historyNext = (s.historyNext + 1) % historySize;
    s.historyCount = std::min(s.historyCount + 1, historySize);
    // A struck note falls fast just after its peak: that is no release.
    const double steadyFall = std::max(0.0, before - recent);
    return span > 0.0 && timeSeconds - s.peakSeconds >= 2.0 * span &&
           levelDb < recent - record.releaseSlopeDb - steadyFall;
}

std::uint8_t NoteTracker::velocityFor(double levelDb, double floorDb)
{
    if (!(floorDb < 0.0) || !std::isfinite(levelDb))
        return levelDb >= 0.0 ? 127 : 1;
    const double share = std::clamp((levelDb - floorDb) / -floorDb, 0.0, 1.0);
    return static_cast<std::uint8_t>(std::lround(1.0 + 126.0 * share));
}

std::uint64_t NoteTracker::Clock::sampleAt(double seconds) const
{
    const double back = std::max(0.0, (nowSeconds - seconds) * rate);
    const auto samples = static_cast<std::uint64_t>(std::llround(back));
    return samples < nowSample ? nowSample - samples : 0;
}

NoteEventView NoteTracker::process(const Spectrum_t& main, ArrayView<double> lowNotes, ShortHopAnalyser& hops)
{
    hops.update(main.sampleRate, record.onsetThreshold);
    Clock clock{&hops, hops.samplesPushed(), main.endSeconds, main.sampleRate};
    if (record.maxPolyphony == 1) {
        events.clear();
        lastLevels = {};
        trackLine(clock);
        refreshActive();
        return {events.data(), events.size()};
    }
    if (line.note >= 0)
        endLine(clock.nowSample, clock);
    line.nextHop = hops.hopCount();
    return trackFrame(main, lowNotes, clock);
}

NoteEventView NoteTracker::process(const Spectrum_t& main, ArrayView<double> lowNotes)
{
    return trackFrame(main, lowNotes, Clock{nullptr, 0, main.endSeconds, main.sampleRate});
}

bool NoteTracker::onsetFor(const NoteState& s, double timeSeconds, double windowSeconds, const Clock& clock,
                           double& onsetSeconds) const
{
    // The note was not in the last frame: it started within this window (or
    // since the last frame, when frames were skipped), after its own last
    // note-off.
    const double earliest = std::max(std::min(timeSeconds - windowSeconds, lastFrameSeconds), s.endedSeconds);
    if (clock.hops != nullptr && clock.rate > 0.0) {
        // The detector may place an onset up to a few hops early.
        const double slack = 4.0 * ShortHopAnalyser::hopSize / clock.rate;
        std::uint64_t at = 0;
        if (clock.hops->strongestOnset(clock.sampleAt(std::max(earliest - slack, s.endedSeconds)), clock.nowSample + 1,
                                       at)) {
            onsetSeconds = std::max(s.endedSeconds, clock.timeOf(at));
            return true;
        }
        // A note the frames find late (a low note waiting for the longer
        // analysis, a chord's note hidden by its neighbours at the attack)
        // started at an onset up to half a low window before.
        const double lowSeconds = record.lowWindowSize / clock.rate;
        const double back = std::max(windowSeconds, 0.5 * lowSeconds) + slack;
        if (clock.hops->strongestOnset(clock.sampleAt(std::max(timeSeconds - back, s.endedSeconds)),
                                       clock.nowSample + 1, at)) {
            onsetSeconds = std::max(s.endedSeconds, clock.timeOf(at));
            return true;
        }
    }
    onsetSeconds = std::max(earliest, timeSeconds - record.onsetFallbackShare * windowSeconds);
    return false;
}

bool NoteTracker::mayBeLowPartial(std::int32_t note, const Spectrum_t& spectrum) const
{
    const MagnitudeSpectrum main = spectrum.bins;
    const double binHz = spectrum.binSpacing();
    if (!isUsableSpacing(binHz) || main.count < 2)
        return false;
    const auto amplitudeAt = [&](std::int32_t n) {
        const auto k = static_cast<std::uint64_t>(noteFrequency(n, record.referenceFrequency) / binHz);
        return k + 1 < main.count ? std::max(main[k].magnitude, main[k + 1].magnitude) : 0.0;
    };
    const double own = amplitudeAt(note);
    for (const std::int32_t interval : {12, 19, 24, 28, 31, 34, 36}) {
        const std::int32_t below = note - interval;
        if (below < record.lowNote)
            break;
        if (below < record.splitNote && !state[static_cast<std::size_t>(below)].on && amplitudeAt(below) >= 0.25 * own)
            return true;
    }
    return false;
}

bool NoteTracker::hasOnsetFor(const NoteState& s, double timeSeconds, double windowSeconds, const Clock& clock) const
{
    if (clock.hops == nullptr || !(clock.rate > 0.0))
        return true;
    const bool recent = s.endedSeconds > timeSeconds - record.onsetRequiredSeconds;
    if (!recent)
        return true;
    double onset = 0.0;
    return onsetFor(s, timeSeconds, windowSeconds, clock, onset);
}

std::uint8_t NoteTracker::velocityAt(double onsetSeconds, double fallbackDb, const Clock& clock) const
{
    if (clock.hops == nullptr || !(clock.rate > 0.0))
        return velocityFor(fallbackDb, record.velocityFloorDb);
    const std::uint64_t from = clock.sampleAt(onsetSeconds);
    const auto span = static_cast<std::uint64_t>(std::max(0.0, record.velocitySeconds) * clock.rate);
    const double peak = clock.hops->peakLevelDb(from, from + std::max<std::uint64_t>(span, 1));
    return velocityFor(peak > -400.0 ? peak : fallbackDb, record.velocityFloorDb);
}

void NoteTracker::startLine(std::int32_t note, std::uint64_t sample, const Clock& clock)
{
    const double onset = clock.timeOf(sample);
    NoteState& s = state[static_cast<std::size_t>(note)];
    s.on = true;
    s.onsetSeconds = onset;
    s.velocity = velocityAt(onset, record.floorOnDb, clock);
    line.note = note;
    events.push_back({onset, static_cast<std::uint8_t>(note), s.velocity});
}

void NoteTracker::endLine(std::uint64_t sample, const Clock& clock)
{
    if (line.note < 0)
        return;
    NoteState& s = state[static_cast<std::size_t>(line.note)];
    const double end = std::max(s.onsetSeconds, clock.timeOf(sample));
    s.on = false;
    s.endedSeconds = end;
    events.push_back({end, static_cast<std::uint8_t>(line.note), 0});
    line.note = -1;
    line.centreSum = 0.0;
    line.centreCount = 0;
}

void NoteTracker::trackLine(const Clock& clock)
{
    const ShortHopAnalyser& hops = *clock.hops;
    const double rate = clock.rate > 0.0 ? clock.rate : 44100.0;
    const auto hopsIn = [&](double seconds) {
        return static_cast<std::size_t>(std::max(1.0, std::ceil(seconds * rate / ShortHopAnalyser::hopSize)));
    };
    const std::size_t settleHops = std::min(hopsIn(record.singleSettleSeconds), settleCapacity);
    const auto gapSamples = static_cast<std::uint64_t>(std::max(0.0, record.singleGapSeconds) * rate);
    line.nextHop = std::max(line.nextHop, hops.firstKeptHop());
    for (; line.nextHop < hops.hopCount(); ++line.nextHop) {
        const ShortHop_t& h = hops.hop(line.nextHop);
        // A hop's RMS ripples on a steady low tone: a single line's note
        // ends only on an onset with a clear rise.
        if (h.onset && (line.note < 0 || h.riseDb >= record.singleRestartDb)) {
            line.onsetSample = h.onsetSample;
            line.onsetPending = true;
            line.settlingCount = 0;
        }
        const bool voiced = h.pitchMidi > 0.0 && h.confidence >= record.singleConfidence;
        if (line.note >= 0) {
            const double centre = line.centreSum / std::max(line.centreCount, 1);
            const bool holds = voiced && h.levelDb >= record.floorOffDb &&
                               std::abs(h.pitchMidi - centre) * 100.0 <= record.holdToleranceCents;
            if (line.onsetPending &&
                clock.timeOf(line.onsetSample) > state[static_cast<std::size_t>(line.note)].onsetSeconds + 0.05) {
                // A new onset ends the note; the next starts once its pitch settles.
                endLine(line.onsetSample, clock);
            } else if (holds) {
                line.lastGoodSample = h.sample + ShortHopAnalyser::hopSize;
                line.centreSum += h.pitchMidi;
                ++line.centreCount;
                continue;
            } else if (h.sample + ShortHopAnalyser::hopSize >= line.lastGoodSample + gapSamples) {
                endLine(line.lastGoodSample, clock);
            }
        }
        if (!voiced || h.levelDb < record.floorOnDb) {
            line.settlingCount = 0;
            continue;
        }
        // Voiced hops that agree within 50 cents of the first settle a note.
        if (line.settlingCount > 0 && std::abs(h.pitchMidi - line.settling[0]) > 0.5)
            line.settlingCount = 0;
        if (line.settlingCount == 0)
            line.settlingSample = h.sample;
        line.settling[line.settlingCount++] = h.pitchMidi;
        if (line.settlingCount < settleHops)
            continue;
        double sum = 0.0;
        for (std::size_t i = 0; i < line.settlingCount; ++i)
            sum += line.settling[i];
        const double pitch = sum / static_cast<double>(line.settlingCount);
        const std::int32_t note =
            std::clamp(static_cast<std::int32_t>(std::lround(pitch)), 0, PitchEstimator::noteCount - 1);
        // Hops settling on the sounding note's own pitch only bridge its gap.
        if (note == line.note) {
            line.settlingCount = 0;
            continue;
        }
        if (line.note >= 0)
            endLine(std::min(line.lastGoodSample, line.settlingSample), clock);
        // The note starts at the onset that led to it, or where its pitch began.
        std::uint64_t start = line.settlingSample;
        const NoteState& s = state[static_cast<std::size_t>(note)];
        if (line.onsetPending && line.onsetSample <= line.settlingSample &&
            line.settlingSample - line.onsetSample <= static_cast<std::uint64_t>(0.15 * rate) &&
            clock.timeOf(line.onsetSample) >= s.endedSeconds)
            start = line.onsetSample;
        line.onsetPending = false;
        line.settlingCount = 0;
        line.centreSum = pitch * static_cast<double>(settleHops);
        line.centreCount = static_cast<std::int32_t>(settleHops);
        line.lastGoodSample = h.sample + ShortHopAnalyser::hopSize;
        startLine(note, start, clock);
    }
}

NoteEventView NoteTracker::trackFrame(const Spectrum_t& spectrum, ArrayView<double> lowNotes, const Clock& clock)
{
    const MagnitudeSpectrum main = spectrum.bins;
    const std::uint32_t mainWindowSize = spectrum.windowSize;
    const double timeSeconds = spectrum.endSeconds;
    events.clear();
    lastLevels = estimator.estimate(main, mainWindowSize, lowNotes, record);
    const double windowSeconds = spectrum.sampleRate > 0.0 ? mainWindowSize / spectrum.sampleRate : 0.0;

    std::array<const NoteLevel_t*, PitchEstimator::noteCount> seen{};
    for (const NoteLevel_t& level : lastLevels)
        seen[level.note] = &level;
    const bool awaitingOnset = clock.hops != nullptr && record.onsetDecisionSeconds > 0.0 && onsetCount > 0;

    for (std::size_t note = 0; note < state.size(); ++note) {
        NoteState& s = state[note];
        const NoteLevel_t* level = seen[note];
        const bool overtone = level != nullptr && isOvertoneResidue(*level, seen, timeSeconds);
        if (level == nullptr)
            s.seenSinceSeconds = timeSeconds;
        if (!s.on) {
            if (level == nullptr) {
                s.released = false;
                s.pending = false;
                continue;
            }
            if (s.released) {
                s.lowestDb = std::min(s.lowestDb, level->levelDb);
                if (level->levelDb < s.lowestDb + record.reattackDb)
                    continue;
            }
            // While an onset awaits its decision, that decides.
            if (awaitingOnset)
                continue;
            if (!overtone && level->relativeDb >= record.relativeOnDb && level->levelDb >= record.floorOnDb &&
                hasOnsetFor(s, timeSeconds, windowSeconds, clock)) {
                // A frame that ends soon after an onset holds its attack's
                // burst: the note must still be there in the next frame.
                double onset = 0.0;
                onsetFor(s, timeSeconds, windowSeconds, clock, onset);
                const double lowSeconds = spectrum.sampleRate > 0.0 ? record.lowWindowSize / spectrum.sampleRate : 0.0;
                const bool settled =
                    clock.hops == nullptr || (timeSeconds - onset >= record.attackSettleSeconds &&
                                              (timeSeconds - onset >= 0.5 * lowSeconds ||
                                               !mayBeLowPartial(static_cast<std::int32_t>(note), spectrum)));
                if (!settled && !s.pending) {
                    s.pending = true;
                    continue;
                }
                startNote(note, *level, onset, timeSeconds, clock);
            } else {
                s.pending = false;
            }
            continue;
        }
        // The estimator reports only notes above the off levels.
        if (level != nullptr && !overtone && level->levelDb >= s.peakDb - record.releaseDropDb &&
            !fallsFast(s, level->levelDb, timeSeconds)) {
            s.missing = 0;
            s.levelDb = level->levelDb;
            if (level->levelDb > s.peakDb) {
                s.peakDb = level->levelDb;
                s.peakSeconds = timeSeconds;
            }
            continue;
        }
        if (s.missing++ == 0)
            s.missingSinceSeconds = timeSeconds;
        if (s.missing >= std::max(record.offFrames, 1) && timeSeconds - s.foundSeconds >= record.minDurationSeconds) {
            // The window that lost the note still held it for part of its length.
            s.on = false;
            s.released = level != nullptr;
            s.lowestDb = level != nullptr ? level->levelDb : 0.0;
            s.endedSeconds = std::max(s.onsetSeconds, s.missingSinceSeconds - record.offsetShare * windowSeconds);
            events.push_back({s.endedSeconds, static_cast<std::uint8_t>(note), 0});
        }
    }
    lastFrameSeconds = timeSeconds;
    refreshActive();
    return {events.data(), events.size()};
}

void NoteTracker::startNote(std::size_t note, const NoteLevel_t& level, double onsetSeconds, double timeSeconds,
                            const Clock& clock)
{
    NoteState& s = state[note];
    s.pending = false;
    s.on = true;
    s.released = false;
    s.foundSeconds = timeSeconds;
    s.onsetSeconds = onsetSeconds;
    s.velocity = velocityAt(onsetSeconds, level.levelDb, clock);
    s.levelDb = level.levelDb;
    s.peakDb = level.levelDb;
    s.peakSeconds = timeSeconds;
    s.missing = 0;
    s.historyCount = 0;
    fallsFast(s, level.levelDb, timeSeconds);
    events.push_back({onsetSeconds, static_cast<std::uint8_t>(note), s.velocity});
}

std::uint64_t NoteTracker::decisionSamples(double rate) const
{
    return static_cast<std::uint64_t>(std::llround(std::max(0.0, record.onsetDecisionSeconds) * rate));
}

bool NoteTracker::onsetDue(ShortHopAnalyser& hops)
{
    const double rate = record.sampleRate;
    if (!(rate > 0.0))
        return false;
    hops.update(rate, record.onsetThreshold);
    const bool deciding = record.maxPolyphony != 1 && record.onsetDecisionSeconds > 0.0;
    onsetScanHop = std::max(onsetScanHop, hops.firstKeptHop());
    for (; onsetScanHop < hops.hopCount(); ++onsetScanHop) {
        const ShortHop_t& h = hops.hop(onsetScanHop);
        if (!h.onset || !deciding)
            continue;
        if (onsetCount == onsetCapacity) {
            onsetHead = (onsetHead + 1) % onsetCapacity;
            --onsetCount;
        }
        onsetQueue[(onsetHead + onsetCount) % onsetCapacity] = h.onsetSample;
        ++onsetCount;
    }
    if (!deciding)
        onsetCount = 0;
    if (onsetCount == 0)
        return false;
    // The two detectors often place one onset a hop or two apart: it is
    // decided, and its notes stamped, at the one with the larger rise, as the
    // regular frames stamp theirs.
    std::uint64_t& first = onsetQueue[onsetHead];
    hops.strongestOnset(first, first + sameOnsetSamples, first);
    return first + decisionSamples(rate) <= hops.samplesPushed();
}

bool NoteTracker::weakFundamental(std::int32_t note) const
{
    const ArrayView<SpectralPeak_t> peaks = estimator.peaks();
    const auto amplitudeNear = [&](double frequency) {
        double amplitude = 0.0;
        for (const SpectralPeak_t& p : peaks) {
            if (std::abs(1200.0 * std::log2(p.frequency / frequency)) <= record.toleranceCents)
                amplitude = std::max(amplitude, p.amplitude);
        }
        return amplitude;
    };
    const double f0 = noteFrequency(note, record.referenceFrequency);
    const double second = amplitudeNear(2.0 * f0);
    return second > 0.0 && amplitudeNear(f0) < second * std::pow(10.0, weakFundamentalDb / 20.0);
}

double NoteTracker::lowBandDb(const Spectrum_t& spectrum) const
{
    // A sounding low note explains the energy there.
    for (std::int32_t n = std::max(record.lowNote, 0); n < std::min(record.splitNote, PitchEstimator::noteCount); ++n) {
        if (state[static_cast<std::size_t>(n)].on)
            return -400.0;
    }
    const double binHz = spectrum.binSpacing();
    if (binHz <= 0.0)
        return -400.0;
    const double split = noteFrequency(record.splitNote, record.referenceFrequency);
    const double lowest = noteFrequency(record.lowNote, record.referenceFrequency);
    double low = 0.0;
    double high = 0.0;
    for (std::uint64_t k = 1; k < spectrum.bins.count; ++k) {
        const double f = static_cast<double>(k) * binHz;
        const double m = spectrum.bins[k].magnitude;
        if (f >= split)
            high = std::max(high, m);
        else if (f >= lowest)
            low = std::max(low, m);
    }
    return low > 0.0 && high > 0.0 ? 20.0 * std::log10(low / high) : -400.0;
}

NoteEventView NoteTracker::processOnsets(const Spectrum_t& main, ArrayView<double> lowNotes, ShortHopAnalyser& hops)
{
    events.clear();
    const Clock clock{&hops, hops.samplesPushed(), main.endSeconds, main.sampleRate};
    const std::uint64_t wait = decisionSamples(clock.rate);
    if (onsetCount == 0 || onsetQueue[onsetHead] + wait > clock.nowSample)
        return {};
    const std::uint64_t onsetSample = onsetQueue[onsetHead];
    // Decided with it: the onsets placed as the same one.
    while (onsetCount > 0 && onsetQueue[onsetHead] < onsetSample + sameOnsetSamples) {
        onsetHead = (onsetHead + 1) % onsetCapacity;
        --onsetCount;
    }
    if (main.empty())
        return {};
    // A new note below the split is not known to the longer analysis yet,
    // and its partials would read as notes of their own: the regular frames
    // decide the notes of such an onset.
    if (lowBandDb(main) >= record.onsetLowBandDb)
        return {};
    const double onset = clock.timeOf(onsetSample);
    const double timeSeconds = main.endSeconds;
    lastLevels = estimator.estimate(main.bins, main.windowSize, lowNotes, record);
    const double lowSeconds = main.sampleRate > 0.0 ? record.lowWindowSize / main.sampleRate : 0.0;

    std::array<const NoteLevel_t*, PitchEstimator::noteCount> seen{};
    for (const NoteLevel_t& level : lastLevels)
        seen[level.note] = &level;
    for (const NoteLevel_t& level : lastLevels) {
        const std::size_t note = level.note;
        const NoteState& s = state[note];
        if (s.on || onset < s.endedSeconds || level.note < record.splitNote)
            continue;
        // A note ended by its release and heard since needs a rise of its own.
        if (s.released && level.levelDb < s.lowestDb + record.reattackDb)
            continue;
        if (level.relativeDb < record.relativeOnDb || level.levelDb < record.floorOnDb ||
            isOvertoneResidue(level, seen, timeSeconds))
            continue;
        // Partials of a low note the longer analysis does not know yet wait
        // for the regular frames, and so does a note whose fundamental is
        // little more than the attack's burst under a chord's partials (the
        // root those partials suggest).
        if ((timeSeconds - onset < 0.5 * lowSeconds && mayBeLowPartial(level.note, main)) ||
            weakFundamental(level.note))
            continue;
        startNote(note, level, onset, timeSeconds, clock);
    }
    refreshActive();
    return {events.data(), events.size()};
}

NoteEventView NoteTracker::flush(double timeSeconds)
{
    events.clear();
    line = Line{};
    for (std::size_t note = 0; note < state.size(); ++note) {
        if (state[note].on) {
            state[note].on = false;
            state[note].endedSeconds = timeSeconds;
            events.push_back({timeSeconds, static_cast<std::uint8_t>(note), 0});
        }
    }
    lastLevels = {};
    refreshActive();
    return {events.data(), events.size()};
}

void NoteTracker::refreshActive()
{
    activeList.clear();
    for (std::size_t note = 0; note < state.size(); ++note) {
        const NoteState& s = state[note];
        if (s.on)
            activeList.push_back({static_cast<std::uint8_t>(note), s.velocity, s.levelDb});
    }
}

} // namespace dravik
