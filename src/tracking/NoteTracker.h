#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "tracking/NoteEvent.h"
#include "tracking/NoteTrackerParams.h"
#include "tracking/PitchEstimator.h"

#include <array>
#include <cstdint>
#include <vector>

namespace dravik {

// Turns each analysed frame into the notes sounding now and the note-on/off
// events since the last frame. A note starts when its level reaches both on
// levels (relative and absolute), keeps sounding while it stays above the off
// levels, within releaseDropDb of its peak and without a release's fast fall,
// lasts at least minDurationSeconds, and ends after offFrames frames without
// it; once released it starts again only on a new attack. Allocates on the
// first frame only.
class NoteTracker {
public:
    explicit NoteTracker(const NoteTrackerParams_t& params = {});

    // One frame at timeSeconds (the end of its analysis window). lowNotes are
    // the longer analysis' amplitudes per note (may be empty).
    NoteEventView process(MagnitudeSpectrum main, std::uint32_t mainWindowSize, ArrayView<double> lowNotes,
                          double timeSeconds);
    // Ends every sounding note at timeSeconds (end of input, device change).
    NoteEventView flush(double timeSeconds);

    ActiveNoteView active() const { return {activeList.data(), activeList.size()}; }
    NoteLevelView levels() const { return lastLevels; }

    // Velocity of a note-on at levelDb (dB of full scale).
    static std::uint8_t velocityFor(double levelDb, double floorDb);

    NoteTrackerParams_t& params() { return record; }
    const NoteTrackerParams_t& params() const { return record; }

private:
    // Recent levels of a sounding note, for the release slope.
    static constexpr std::size_t historySize = 32;
    struct LevelAt {
        double timeSeconds;
        double levelDb;
    };

    struct NoteState {
        bool on = false;
        bool released = false; // ended by its release and heard since
        double lowestDb = 0.0; // lowest level since that release
        std::array<LevelAt, historySize> history{};
        std::size_t historyCount = 0;
        std::size_t historyNext = 0;
        std::uint8_t velocity = 0;
        double onsetSeconds = 0.0;
        double levelDb = 0.0;
        double peakDb = 0.0; // highest level since onset
        double peakSeconds = 0.0;
        double seenSinceSeconds = 0.0; // the note's level was found in every frame since
        std::int32_t missing = 0;
    };

    // True when level sits at an overtone interval above a louder note of the
    // frame and too far below it to be a note of its own.
    bool isOvertoneResidue(const NoteLevel_t& level,
                           const std::array<const NoteLevel_t*, PitchEstimator::noteCount>& seen,
                           double timeSeconds) const;
    // True when levelDb falls releaseSlopeDb below the note's highest level
    // of the last releaseSlopeSeconds; records the level.
    bool fallsFast(NoteState& s, double levelDb, double timeSeconds) const;
    void refreshActive();

    NoteTrackerParams_t record;
    PitchEstimator estimator;
    NoteLevelView lastLevels;
    std::array<NoteState, PitchEstimator::noteCount> state{};
    std::vector<NoteEvent_t> events;
    std::vector<ActiveNote_t> activeList;
};

} // namespace dravik
