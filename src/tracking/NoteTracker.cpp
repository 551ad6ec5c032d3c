#include "tracking/NoteTracker.h"

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
        const bool lateOctave = !self.on && held.on && timeSeconds - held.onsetSeconds > record.minDurationSeconds &&
                                self.seenSinceSeconds <= held.onsetSeconds + record.minDurationSeconds;
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

NoteEventView NoteTracker::process(MagnitudeSpectrum main, std::uint32_t mainWindowSize, ArrayView<double> lowNotes,
                                   double timeSeconds)
{
    events.clear();
    lastLevels = estimator.estimate(main, mainWindowSize, lowNotes, record);

    std::array<const NoteLevel_t*, PitchEstimator::noteCount> seen{};
    for (const NoteLevel_t& level : lastLevels)
        seen[level.note] = &level;

    for (std::size_t note = 0; note < state.size(); ++note) {
        NoteState& s = state[note];
        const NoteLevel_t* level = seen[note];
        const bool overtone = level != nullptr && isOvertoneResidue(*level, seen, timeSeconds);
        if (level == nullptr)
            s.seenSinceSeconds = timeSeconds;
        if (!s.on) {
            if (level == nullptr) {
                s.released = false;
                continue;
            }
            if (s.released) {
                s.lowestDb = std::min(s.lowestDb, level->levelDb);
                if (level->levelDb < s.lowestDb + record.reattackDb)
                    continue;
            }
            if (!overtone && level->relativeDb >= record.relativeOnDb && level->levelDb >= record.floorOnDb) {
                s.on = true;
                s.released = false;
                s.velocity = velocityFor(level->levelDb, record.velocityFloorDb);
                s.onsetSeconds = timeSeconds;
                s.levelDb = level->levelDb;
                s.peakDb = level->levelDb;
                s.peakSeconds = timeSeconds;
                s.missing = 0;
                s.historyCount = 0;
                fallsFast(s, level->levelDb, timeSeconds);
                events.push_back({timeSeconds, static_cast<std::uint8_t>(note), s.velocity});
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
        ++s.missing;
        if (s.missing >= std::max(record.offFrames, 1) && timeSeconds - s.onsetSeconds >= record.minDurationSeconds) {
            s.on = false;
            s.released = level != nullptr;
            s.lowestDb = level != nullptr ? level->levelDb : 0.0;
            events.push_back({timeSeconds, static_cast<std::uint8_t>(note), 0});
        }
    }
    refreshActive();
    return {events.data(), events.size()};
}

NoteEventView NoteTracker::flush(double timeSeconds)
{
    events.clear();
    for (std::size_t note = 0; note < state.size(); ++note) {
        if (state[note].on) {
            state[note].on = false;
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
