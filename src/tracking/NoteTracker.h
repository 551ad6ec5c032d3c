#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "tracking/NoteEvent.h"
#include "tracking/NoteTrackerParams.h"
#include "tracking/PitchEstimator.h"
#include "tracking/ShortHopAnalyser.h"

#include <array>
#include <cstdint>
#include <vector>

namespace dravik {

// Turns each analysed frame into the notes sounding now and the note-on/off
// events since the last frame. Fed with the short-hop analysis, a note is stamped
// at the onset its short-hop analysis found, ends where its sound ended, and
// takes its velocity from the sound's peak level over its first
// velocitySeconds; with Max Polyphony 1 the short-hop pitch follows a single
// line instead. A note starts when its level reaches both on
// levels (relative and absolute), keeps sounding while it stays above the off
// levels, within releaseDropDb of its peak and without a release's fast fall,
// lasts at least minDurationSeconds, and ends after offFrames frames without
// it; once released it starts again only on a new attack. Allocates on the
// first frame only.
class NoteTracker {
public:
    explicit NoteTracker(const NoteTrackerParams_t& params = {});

    // One frame: the main spectrum, stamped with the time of its last sample,
    // the longer analysis' amplitudes per note (may be empty) and the
    // short-hop onset and pitch analysis that heard the same samples. The one
    // step both the program and batch transcription run. Rate and window
    // length are the spectrum's own.
    NoteEventView process(const Spectrum_t& main, ArrayView<double> lowNotes, ShortHopAnalyser& hops);
    // The same without the short-hop analysis: notes are stamped a share of a
    // window early.
    NoteEventView process(const Spectrum_t& main, ArrayView<double> lowNotes);
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
        double onsetSeconds = 0.0; // stamped onset
        double foundSeconds = 0.0; // end of the window that found it
        double levelDb = 0.0;
        double peakDb = 0.0; // highest level since onset
        double peakSeconds = 0.0;
        double seenSinceSeconds = 0.0; // the note's level was found in every frame since
        double endedSeconds = -1e300;  // its last note-off
        std::int32_t missing = 0;
        bool pending = false;             // found in a frame holding an attack, awaiting the next
        double missingSinceSeconds = 0.0; // the first frame of the current gap
    };

    // Where the frame being tracked stands on the short-hop analysis' count.
    struct Clock {
        const ShortHopAnalyser* hops = nullptr;
        std::uint64_t nowSample = 0;
        double nowSeconds = 0.0;
        double rate = 0.0;
        double timeOf(std::uint64_t sample) const
        {
            return nowSeconds - static_cast<double>(nowSample - sample) / rate;
        }
        std::uint64_t sampleAt(double seconds) const;
    };

    // The single line's note and the voiced hops that may start the next one.
    static constexpr std::size_t settleCapacity = 64;
    struct Line {
        std::int32_t note = -1;
        double centreSum = 0.0; // pitches (MIDI) of the note's hops
        std::int32_t centreCount = 0;
        std::uint64_t lastGoodSample = 0;
        std::uint64_t nextHop = 0;
        std::array<double, settleCapacity> settling{};
        std::size_t settlingCount = 0;
        std::uint64_t settlingSample = 0;
        std::uint64_t onsetSample = 0; // the latest onset seen
        bool onsetPending = false;     // not yet used by a note
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
    NoteEventView trackFrame(const Spectrum_t& main, ArrayView<double> lowNotes, const Clock& clock);
    void trackLine(const Clock& clock);
    void startLine(std::int32_t note, std::uint64_t sample, const Clock& clock);
    void endLine(std::uint64_t sample, const Clock& clock);
    // A note found at the end of a window of windowSeconds: its onset time.
    double onsetFor(const NoteState& s, double timeSeconds, double windowSeconds, const Clock& clock) const;
    // True when note sits at an overtone interval above a note below the
    // split whose frequency holds energy in main but which is not sounding:
    // that note's partials are heard before the longer analysis knows it, so
    // note waits for half a low window after its onset.
    bool mayBeLowPartial(std::int32_t note, const Spectrum_t& main) const;
    // True when the note may start in this frame: a note that ended within
    // onsetRequiredSeconds starts again only on a detected onset.
    bool hasOnsetFor(const NoteState& s, double timeSeconds, double windowSeconds, const Clock& clock) const;
    std::uint8_t velocityAt(double onsetSeconds, double fallbackDb, const Clock& clock) const;

    NoteTrackerParams_t record;
    PitchEstimator estimator;
    NoteLevelView lastLevels;
    std::array<NoteState, PitchEstimator::noteCount> state{};
    std::vector<NoteEvent_t> events;
    std::vector<ActiveNote_t> activeList;
    Line line;
    double lastFrameSeconds = 0.0; // time of the last frame tracked
};

} // namespace dravik
