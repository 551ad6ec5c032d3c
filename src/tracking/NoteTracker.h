#pragma once

#include "analysis/AnalysedWindow.h"
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
// it; once released it starts again only on a new attack.
//
// Each onset has its notes decided onsetDecisionSeconds after it, from a
// window that starts about at the onset (processOnsets), so a note-on goes
// out a fixed time after its onset, whatever the hop grid; the regular frames
// start the notes below the split, those of onsets with a new low note, and
// those the decision did not find. Allocates on the first frames only.
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
    // Brings the short-hop analysis up to date with the samples pushed and
    // true when an onset's decision is due: onsetDecisionSeconds have passed
    // since it (never with Max Polyphony 1, which follows the short hops).
    bool onsetDue(ShortHopAnalyser& hops);
    // The decision of the onset due: main, a window ending now (empty: no
    // decision), with the longer analysis' amplitudes, may start notes at or
    // above the split that are not sounding, stamped at that onset. It ends no
    // note and leaves the hop grid's counts alone.
    NoteEventView processOnsets(const Spectrum_t& main, ArrayView<double> lowNotes, ShortHopAnalyser& hops);
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
    // Starts note s at onsetSeconds, found at the end of a window at timeSeconds.
    void startNote(std::size_t note, const NoteLevel_t& level, double onsetSeconds, double timeSeconds,
                   const Clock& clock);
    std::uint64_t decisionSamples(double rate) const;
    // The loudest bin between the lowest note and the split against the
    // loudest above it, in dB; -400 while a note below the split sounds.
    double lowBandDb(const Spectrum_t& spectrum) const;
    // True when the last estimate's peak at note's fundamental lies more than
    // weakFundamentalDb below the one at its second partial.
    bool weakFundamental(std::int32_t note) const;
    NoteEventView trackFrame(const Spectrum_t& main, ArrayView<double> lowNotes, const Clock& clock);
    void trackLine(const Clock& clock);
    void startLine(std::int32_t note, std::uint64_t sample, const Clock& clock);
    void endLine(std::uint64_t sample, const Clock& clock);
    // A note found at the end of a window of windowSeconds: its onset time,
    // and true when the short-hop analysis detected that onset (in the window,
    // or else up to half a low window back), false for the fallback share.
    bool onsetFor(const NoteState& s, double timeSeconds, double windowSeconds, const Clock& clock,
                  double& onsetSeconds) const;
    // True when note sits at an overtone interval above a note below the
    // split whose frequency holds energy in main but which is not sounding:
    // that note's partials are heard before the longer analysis knows it, so
    // note waits for half a low window after its onset.
    bool mayBeLowPartial(std::int32_t note, const Spectrum_t& main) const;
    // True when the note may start in this frame: a note that ended within
    // onsetRequiredSeconds starts again only on a detected onset (onsetFor).
    bool hasOnsetFor(const NoteState& s, double timeSeconds, double windowSeconds, const Clock& clock) const;
    std::uint8_t velocityAt(double onsetSeconds, double fallbackDb, const Clock& clock) const;

    NoteTrackerParams_t record;
    PitchEstimator estimator;
    NoteLevelView lastLevels;
    std::array<NoteState, PitchEstimator::noteCount> state{};
    std::vector<NoteEvent_t> events;
    std::vector<ActiveNote_t> activeList;
    Line line;
    // Onsets (their samples) awaiting their decision, oldest first, and the
    // next short hop to look for onsets in.
    static constexpr std::size_t onsetCapacity = 16;
    static constexpr std::uint64_t sameOnsetSamples = 4 * ShortHopAnalyser::hopSize;
    static constexpr double weakFundamentalDb = -20.0;
    std::array<std::uint64_t, onsetCapacity> onsetQueue{};
    std::size_t onsetHead = 0;
    std::size_t onsetCount = 0;
    std::uint64_t onsetScanHop = 0;
    double lastFrameSeconds = 0.0; // time of the last frame tracked
};

} // namespace dravik
