#pragma once

#include "shared/Setting.h"
#include "tracking/NoteTrackerParams.h"
#include "tracking/PitchEstimator.h"

#include <array>

namespace dravik {

using TrackerSetting_t = Setting_t<NoteTrackerParams_t>;

namespace trackersettings {
constexpr SettingRange_t midiNotes{0.0, 127.0};
constexpr SettingRange_t unit{0.0, 1.0};
} // namespace trackersettings

// Every setting of the note tracker, as the "Note Tracker" panel shows those
// it has. The rate and the low-note window follow the analysis.
inline constexpr std::array trackerSettings{
    setting::real("relative_on_db", "On Level", "on-level", &NoteTrackerParams_t::relativeOnDb, {-60.0, 0.0},
                  {-60.0, 0.0}, "A note starts when it comes within this many dB of the frame's strongest note.")
        .unit("%.1f dB")
        .formerly("relative-on"),
    setting::real("relative_off_db", "Off Level", "off-level", &NoteTrackerParams_t::relativeOffDb, {-60.0, 0.0},
                  {-60.0, 0.0}, "A sounding note ends when it falls more than this below the frame's strongest note.")
        .unit("%.1f dB")
        .formerly("relative-off"),
    setting::real("floor_on_db", "On Floor", "on-floor", &NoteTrackerParams_t::floorOnDb, {-120.0, 0.0}, {-120.0, 0.0},
                  "A note starts only above this level, in dB of full scale.")
        .unit("%.1f dB")
        .formerly("floor-on"),
    setting::real("floor_off_db", "Off Floor", "off-floor", &NoteTrackerParams_t::floorOffDb, {-120.0, 0.0},
                  {-120.0, 0.0}, "A sounding note ends below this level, in dB of full scale.")
        .unit("%.1f dB")
        .formerly("floor-off"),
    setting::real("peak_floor_db", "Peak Floor", "peak-floor", &NoteTrackerParams_t::peakFloorDb, {-140.0, 0.0},
                  {-140.0, 0.0}, "Spectral peaks below this level are not read as partials at all.")
        .unit("%.1f dB"),
    setting::real("release_drop_db", "Release Drop", "release-drop", &NoteTrackerParams_t::releaseDropDb, {1.0, 60.0},
                  {1.0, 200.0}, "A note ends this far below its own loudest since it started.")
        .unit("%.1f dB"),
    setting::real("release_slope_db", "Release Slope", "release-slope", &NoteTrackerParams_t::releaseSlopeDb,
                  {1.0, 30.0}, {0.5, 200.0},
                  "A note also ends when it falls this much faster than over the span before.")
        .unit("%.1f dB"),
    setting::real("release_slope_s", "Slope Span", "slope-span", &NoteTrackerParams_t::releaseSlopeSeconds, {0.02, 0.5},
                  {0.01, 2.0}, "The time over which the release slope is measured.")
        .unit("%.3f s"),
    setting::real("reattack_db", "Reattack", "reattack", &NoteTrackerParams_t::reattackDb, {1.0, 40.0}, {0.5, 200.0},
                  "An ended note starts again on a rise of this much.")
        .unit("%.1f dB"),
    setting::real("overtone_relative_db", "Overtone Level", "overtone-level", &NoteTrackerParams_t::overtoneRelativeDb,
                  {-30.0, 0.0}, {-120.0, 0.0},
                  "A note at a louder note's third to ninth partial counts only this close to it.")
        .unit("%.1f dB"),
    setting::real("octave_odd_ratio", "Octave Odd Ratio", "octave-odd-ratio", &NoteTrackerParams_t::octaveOddRatio,
                  {0.0, 2.0}, {0.0, 100.0}, "The octave below wins when its odd partials reach this share of the note.")
        .unit("%.2f"),
    setting::real("octave_fundamental_db", "Octave Fundamental", "octave-fundamental",
                  &NoteTrackerParams_t::octaveFundamentalDb, {-80.0, 0.0}, {-200.0, 0.0},
                  "The octave below also needs its fundamental at least this level relative to the note.")
        .unit("%.1f dB"),
    setting::real("strong_second_ratio", "Strong Second", "strong-second", &NoteTrackerParams_t::strongSecondRatio,
                  {1.0, 10.0}, {1.0, 1000.0},
                  "A second partial this many times the fundamental is the note's own, not an octave up.")
        .unit("%.1f x"),
    setting::real("min_duration_s", "Min Duration", "min-duration", &NoteTrackerParams_t::minDurationSeconds,
                  {0.0, 1.0}, {0.0, 10.0}, "Notes shorter than this are dropped as noise.")
        .unit("%.3f s"),
    setting::real("velocity_floor_db", "Velocity Floor", "velocity-floor", &NoteTrackerParams_t::velocityFloorDb,
                  {-120.0, -1.0}, {-120.0, -1.0},
                  "The level that maps to the softest velocity; louder notes get higher velocities.")
        .unit("%.1f dB"),
    setting::real("velocity_s", "Velocity Span", "velocity-span", &NoteTrackerParams_t::velocitySeconds,
                  trackersettings::unit, trackersettings::unit,
                  "Seconds from its onset over which a note's peak level sets its velocity"),
    setting::real("onset_threshold", "Onset Threshold", "onset-threshold", &NoteTrackerParams_t::onsetThreshold,
                  {0.05, 1.0}, {0.001, 10.0},
                  "How sharp a rise must be to count as an onset, where notes are stamped; lower finds more onsets.")
        .unit("%.2f"),
    setting::real("onset_fallback_share", "Onset Fallback", "onset-fallback", &NoteTrackerParams_t::onsetFallbackShare,
                  trackersettings::unit, trackersettings::unit,
                  "Without a detected onset, a note is stamped this share of a window before its window's end"),
    setting::real("offset_share", "Offset Share", "offset-share", &NoteTrackerParams_t::offsetShare,
                  trackersettings::unit, trackersettings::unit,
                  "A note ends this share of a window before the end of the window that lost it"),
    setting::real("onset_required_s", "Onset Required", "onset-required", &NoteTrackerParams_t::onsetRequiredSeconds,
                  {0.0, 1e9}, {0.0, 1e9},
                  "Seconds after its end within which a note starts again only on a detected onset"),
    setting::real("attack_settle_s", "Attack Settle", "attack-settle", &NoteTrackerParams_t::attackSettleSeconds,
                  trackersettings::unit, trackersettings::unit,
                  "A note found this soon after its onset waits a frame for the attack to settle"),
    setting::real("onset_decision_s", "Onset Decision", "onset-decision", &NoteTrackerParams_t::onsetDecisionSeconds,
                  {0.0, 0.09}, {0.0, 0.09},
                  "Seconds after an onset at which its notes are decided; 0 waits for the regular analyses"),
    setting::real("onset_low_band_db", "Onset Low Band", "onset-low-band", &NoteTrackerParams_t::onsetLowBandDb,
                  {-60.0, 20.0}, {-400.0, 400.0},
                  "An onset with this much energy below the split, in dB of the loudest above it, is decided by the "
                  "regular analyses: a new low note needs the longer window")
        .unit("%.1f dB"),
    setting::real("single_confidence", "Single Confidence", "single-confidence", &NoteTrackerParams_t::singleConfidence,
                  trackersettings::unit, trackersettings::unit,
                  "With Max Polyphony 1, the YIN confidence a hop needs to count as voiced"),
    setting::real("single_settle_s", "Single Settle", "single-settle", &NoteTrackerParams_t::singleSettleSeconds,
                  trackersettings::unit, trackersettings::unit,
                  "With Max Polyphony 1, seconds of voiced hops that must agree before a note starts"),
    setting::real("single_gap_s", "Single Gap", "single-gap", &NoteTrackerParams_t::singleGapSeconds, {0.0, 10.0},
                  {0.0, 10.0}, "With Max Polyphony 1, seconds without the note that end it"),
    setting::real("single_restart_db", "Single Restart", "single-restart", &NoteTrackerParams_t::singleRestartDb,
                  {0.0, 400.0}, {0.0, 400.0},
                  "With Max Polyphony 1, the rise in dB at an onset that starts a held note again"),
    setting::real("hold_tolerance_cents", "Hold Tolerance", "hold-tolerance", &NoteTrackerParams_t::holdToleranceCents,
                  {10.0, 200.0}, {1.0, 1200.0},
                  "A single line's note holds while its pitch stays this close to its centre, through vibrato and "
                  "glides.")
        .unit("%.0f cents"),
    setting::integer("off_frames", "Off Frames", "off-frames", &NoteTrackerParams_t::offFrames, {1.0, 20.0},
                     {1.0, 1000.0}, "How many analyses in a row a note must be missing before it ends."),
    setting::integer("max_polyphony", "Max Polyphony", "max-polyphony", &NoteTrackerParams_t::maxPolyphony, {1.0, 12.0},
                     {1.0, 12.0},
                     "The most notes that sound at once; at 1 the tracker follows a single line (voice, flute, bass) "
                     "by its YIN pitch."),
    setting::integer("harmonic_count", "Harmonic Count##tracker", "harmonic-count", &NoteTrackerParams_t::harmonicCount,
                     {1.0, PitchEstimator::maxHarmonics}, {1.0, PitchEstimator::maxHarmonics},
                     "How many partials of a candidate note are read to judge its pitch."),
    setting::integer("low_note", "Lowest Note", "lowest-note", &NoteTrackerParams_t::lowNote,
                     trackersettings::midiNotes, trackersettings::midiNotes,
                     "No note below this MIDI note is tracked."),
    setting::integer("high_note", "Highest Note", "highest-note", &NoteTrackerParams_t::highNote,
                     trackersettings::midiNotes, trackersettings::midiNotes,
                     "No note above this MIDI note is tracked."),
    setting::integer("split_note", "Split Note", "split-note", &NoteTrackerParams_t::splitNote,
                     trackersettings::midiNotes, trackersettings::midiNotes,
                     "Below this note the longer low-note analysis reads the partials."),
    setting::real("sample_rate", "Sample Rate", "sample-rate", &NoteTrackerParams_t::sampleRate, {1.0, 768000.0},
                  {1.0, 768000.0}, "Rate of both analyses in Hz")
        .followsAnalysis(),
    setting::size("low_window_size", "Low Window", "low-window", &NoteTrackerParams_t::lowWindowSize,
                  {1024.0, 262144.0}, {1024.0, 262144.0}, "Window of the low-note analysis in samples")
        .followsAnalysis(),
};

} // namespace dravik
