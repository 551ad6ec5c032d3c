#pragma once

#include <cstdint>

namespace dravik {

// Settings of the note tracker; edited in place and read afresh every frame.
struct NoteTrackerParams_t {
    double sampleRate = 44100.0;       // Hz of both analyses
    double referenceFrequency = 440.0; // Hz of MIDI note 69
    std::int32_t lowNote = 21;         // first candidate note
    std::int32_t highNote = 108;       // last candidate note, inclusive
    std::int32_t harmonicCount = 8;    // partials read per candidate
    double toleranceCents = 45.0;      // a peak this close to a partial belongs to it
    std::int32_t maxPolyphony = 6;     // notes estimated per frame
    // Partial h weighs 1 / h^exponent in a note's salience.
    double harmonicWeightExponent = 0.5;

    // Level normalisation: a note's level relative to the frame's strongest
    // note and in dB of full scale; separate on and off levels give hysteresis.
    double relativeOnDb = -10.0;
    double relativeOffDb = -14.0;
    double floorOnDb = -50.0;
    double floorOffDb = -55.0;
    // Peaks below this level (dB of full scale) are noise, not partials.
    double peakFloorDb = -80.0;
    // ... and so are peaks this far below the frame's loudest peak.
    double peakRelativeFloorDb = -50.0;
    // A sounding note stays on at least this long (s); a note missing for
    // offFrames consecutive frames after that ends.
    double minDurationSeconds = 0.08;
    std::int32_t offFrames = 3;
    // A sounding note also ends when its level falls this far (dB) below its
    // peak since onset: the release of a single note, where the level
    // relative to the frame's strongest note stays at 0 dB.
    double releaseDropDb = 20.0;
    // ... and when its level falls more than releaseSlopeDb below its highest
    // of the last releaseSlopeSeconds: a release fades faster than a held
    // note decays.
    double releaseSlopeDb = 6.0;
    double releaseSlopeSeconds = 0.1;
    // A note ended by its release starts again only on a new attack: a rise of
    // this many dB over its lowest level since, or after a frame without it.
    double reattackDb = 10.0;
    // A note at the interval of a lower, louder note's third to ninth partial
    // sounds only while within this many dB of it, and a note an octave above
    // one only while above relativeOnDb (no hysteresis): the lower note's
    // partials there leave a residue that is not a note.
    double overtoneRelativeDb = -4.0;

    // The most salient note of a round is taken as the octave below instead
    // when that note's third and fifth partials are present and together
    // reach octaveOddRatio of the note's fundamental, and the spectrum at its
    // fundamental is within octaveFundamentalDb of the note's: the note is
    // then the lower note's second partial, stronger than its fundamental.
    // (The root of a major triad shows such partials, but no fundamental an
    // octave below.)
    double octaveOddRatio = 0.3;
    double octaveFundamentalDb = -40.0;
    // A found note's second partial at least this many times its fundamental
    // is its own and removed whole: the octave above needs more evidence
    // than that partial (a louder octave above is lost with it).
    double strongSecondRatio = 2.0;

    // Partials below the frequency of this note are read from the longer
    // analysis, whose finer bins separate neighbouring low notes.
    std::int32_t splitNote = 52;
    std::uint32_t lowWindowSize = 16384;
    // A low note counts as a peak when it reaches this share of its louder
    // semitone neighbour: two notes a semitone apart are both kept, the
    // leakage of one tone into its neighbour is not.
    double lowNeighbourRatio = 0.7;

    // Velocity 1 at velocityFloorDb and 127 at 0 dB of full scale, linear in dB,
    // of the sound's peak level over the first velocitySeconds of the note.
    double velocityFloorDb = -60.0;
    double velocitySeconds = 0.05;

    // Onsets come from the short-hop analysis (aubio's peak picking
    // threshold); a note is stamped at the onset of the largest rise in the
    // window that found it, and without one onsetFallbackShare of a window before the end
    // of that window. A note ends at offsetShare of a window before the end
    // of the window that lost it.
    double onsetThreshold = 0.3;
    double onsetFallbackShare = 0.5;
    double offsetShare = 0.5;
    // A note that ended less than this long ago starts again only on a
    // detected onset: a held note's level wavering about the off levels is
    // not a new note.
    double onsetRequiredSeconds = 1.5;
    // A note found in a frame that ends less than this long after its onset
    // starts only if the next frame finds it too: such a frame holds the
    // attack's broadband burst.
    double attackSettleSeconds = 0.05;
    // Each detected onset has its notes decided this long after it, from
    // half a main window ending there (46 ms at the default window, so it
    // starts about at the onset): a note goes out at a fixed time after its
    // onset instead of waiting for the hop grid, and which window decides
    // does not depend on where the grid falls. Regular frames start no note
    // while a decision is due; 0 leaves the decisions to them.
    double onsetDecisionSeconds = 0.046;
    // ... except when the window holds energy below the split within this many
    // dB of the loudest above it, and no note below the split sounds: a new
    // low note, which the longer analysis does not know yet.
    double onsetLowBandDb = -10.0;

    // Max Polyphony 1 follows a single line with the short-hop YIN pitch:
    // a note starts once singleSettleSeconds of voiced hops (confidence at
    // least singleConfidence, above the on floor) agree within 50 cents, holds
    // while its pitch stays within holdToleranceCents of its centre (vibrato,
    // slow glides), and ends after singleGapSeconds without it or on a new onset.
    double singleConfidence = 0.8;
    double singleSettleSeconds = 0.03;
    double singleGapSeconds = 0.05;
    double holdToleranceCents = 80.0;
    // ... an onset ends the note only where the level rises this many dB.
    double singleRestartDb = 6.0;
};

// Copies the settings a user chooses (panel, session, defaults) from `from`
// into `to`; the rate and the low-note window stay `to`'s, as they follow the
// analysis (the tracker settings' table marks them so).
void copyTrackerOptions(const NoteTrackerParams_t& from, NoteTrackerParams_t& to);

} // namespace dravik
