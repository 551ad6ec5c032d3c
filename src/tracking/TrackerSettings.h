#pragma once

#include "tracking/NoteTrackerParams.h"

#include <array>
#include <cstdint>

namespace dravik {

// One setting of the note tracker a user chooses: its key in a saved session,
// its label in the "Note Tracker" panel, its long option in dravik-transcribe
// (named after the label), the range a value must lie in, and what it does.
// Exactly one of `real` and `integer` is set.
struct TrackerSetting_t {
    const char* key;
    const char* label;
    const char* option;
    const char* formerOption; // the option's earlier name, still accepted; null for none
    double NoteTrackerParams_t::*real;
    std::int32_t NoteTrackerParams_t::*integer;
    double low;
    double high;
    const char* help;
};

namespace trackersettings {
inline constexpr TrackerSetting_t real(const char* key, const char* label, const char* option, const char* formerOption,
                                       double NoteTrackerParams_t::*field, double low, double high, const char* help)
{
    return {key, label, option, formerOption, field, nullptr, low, high, help};
}
inline constexpr TrackerSetting_t integer(const char* key, const char* label, const char* option,
                                          std::int32_t NoteTrackerParams_t::*field, double low, double high,
                                          const char* help)
{
    return {key, label, option, nullptr, nullptr, field, low, high, help};
}
} // namespace trackersettings

// Every tracker setting a user chooses; the rate and the low-note window
// follow the analysis and are not among them.
inline constexpr std::array<TrackerSetting_t, 32> trackerSettings{{
    trackersettings::real("relative_on_db", "On Level", "on-level", "relative-on", &NoteTrackerParams_t::relativeOnDb,
                          -120.0, 0.0, "dB below the frame's strongest note at which a note starts"),
    trackersettings::real("relative_off_db", "Off Level", "off-level", "relative-off",
                          &NoteTrackerParams_t::relativeOffDb, -120.0, 0.0,
                          "dB below the frame's strongest note at which a note ends"),
    trackersettings::real("floor_on_db", "On Floor", "on-floor", "floor-on", &NoteTrackerParams_t::floorOnDb, -200.0,
                          0.0, "dB of full scale at which a note starts"),
    trackersettings::real("floor_off_db", "Off Floor", "off-floor", "floor-off", &NoteTrackerParams_t::floorOffDb,
                          -200.0, 0.0, "dB of full scale at which a note ends"),
    trackersettings::real("peak_floor_db", "Peak Floor", "peak-floor", nullptr, &NoteTrackerParams_t::peakFloorDb,
                          -200.0, 0.0, "dB of full scale below which a spectral peak is noise"),
    trackersettings::real("release_drop_db", "Release Drop", "release-drop", nullptr,
                          &NoteTrackerParams_t::releaseDropDb, 0.0, 400.0,
                          "dB below its own loudest at which a note ends"),
    trackersettings::real("release_slope_db", "Release Slope", "release-slope", nullptr,
                          &NoteTrackerParams_t::releaseSlopeDb, 0.0, 400.0,
                          "dB a note may fall faster over the slope span than over the span before"),
    trackersettings::real("release_slope_s", "Slope Span", "slope-span", nullptr,
                          &NoteTrackerParams_t::releaseSlopeSeconds, 0.0, 10.0,
                          "Seconds over which the release slope is measured"),
    trackersettings::real("reattack_db", "Reattack", "reattack", nullptr, &NoteTrackerParams_t::reattackDb, 0.0, 400.0,
                          "dB rise that starts an ended note again"),
    trackersettings::real("overtone_relative_db", "Overtone Level", "overtone-level", nullptr,
                          &NoteTrackerParams_t::overtoneRelativeDb, -200.0, 0.0,
                          "dB within a louder note that a note at its 3rd to 9th partial must reach"),
    trackersettings::real("octave_odd_ratio", "Octave Odd Ratio", "octave-odd-ratio", nullptr,
                          &NoteTrackerParams_t::octaveOddRatio, 0.0, 1e6,
                          "Share of the fundamental the odd partials must reach for the octave below to win"),
    trackersettings::real("octave_fundamental_db", "Octave Fundamental", "octave-fundamental", nullptr,
                          &NoteTrackerParams_t::octaveFundamentalDb, -400.0, 0.0,
                          "dB within the note that the octave below's fundamental must reach"),
    trackersettings::real("strong_second_ratio", "Strong Second", "strong-second", nullptr,
                          &NoteTrackerParams_t::strongSecondRatio, 1.0, 1e6,
                          "A second partial this many times the fundamental is the note's own"),
    trackersettings::real("min_duration_s", "Min Duration", "min-duration", nullptr,
                          &NoteTrackerParams_t::minDurationSeconds, 0.0, 10.0, "Shortest note in seconds"),
    trackersettings::real("velocity_floor_db", "Velocity Floor", "velocity-floor", nullptr,
                          &NoteTrackerParams_t::velocityFloorDb, -200.0, -1.0,
                          "dB of full scale that gets velocity 1 (0 dB gets 127)"),
    trackersettings::real("velocity_s", "Velocity Span", "velocity-span", nullptr,
                          &NoteTrackerParams_t::velocitySeconds, 0.0, 1.0,
                          "Seconds from its onset over which a note's peak level sets its velocity"),
    trackersettings::real("onset_threshold", "Onset Threshold", "onset-threshold", nullptr,
                          &NoteTrackerParams_t::onsetThreshold, 0.001, 10.0,
                          "Peak-picking threshold of the onset detection; lower finds more onsets"),
    trackersettings::real("onset_fallback_share", "Onset Fallback", "onset-fallback", nullptr,
                          &NoteTrackerParams_t::onsetFallbackShare, 0.0, 1.0,
                          "Without a detected onset, a note is stamped this share of a window before its window's end"),
    trackersettings::real("offset_share", "Offset Share", "offset-share", nullptr, &NoteTrackerParams_t::offsetShare,
                          0.0, 1.0, "A note ends this share of a window before the end of the window that lost it"),
    trackersettings::real("onset_required_s", "Onset Required", "onset-required", nullptr,
                          &NoteTrackerParams_t::onsetRequiredSeconds, 0.0, 1e9,
                          "Seconds after its end within which a note starts again only on a detected onset"),
    trackersettings::real("attack_settle_s", "Attack Settle", "attack-settle", nullptr,
                          &NoteTrackerParams_t::attackSettleSeconds, 0.0, 1.0,
                          "A note found this soon after its onset waits a frame for the attack to settle"),
    trackersettings::real("single_confidence", "Single Confidence", "single-confidence", nullptr,
                          &NoteTrackerParams_t::singleConfidence, 0.0, 1.0,
                          "With Max Polyphony 1, the YIN confidence a hop needs to count as voiced"),
    trackersettings::real("single_settle_s", "Single Settle", "single-settle", nullptr,
                          &NoteTrackerParams_t::singleSettleSeconds, 0.0, 1.0,
                          "With Max Polyphony 1, seconds of voiced hops that must agree before a note starts"),
    trackersettings::real("single_gap_s", "Single Gap", "single-gap", nullptr, &NoteTrackerParams_t::singleGapSeconds,
                          0.0, 10.0, "With Max Polyphony 1, seconds without the note that end it"),
    trackersettings::real("single_restart_db", "Single Restart", "single-restart", nullptr,
                          &NoteTrackerParams_t::singleRestartDb, 0.0, 400.0,
                          "With Max Polyphony 1, the rise in dB at an onset that starts a held note again"),
    trackersettings::real("hold_tolerance_cents", "Hold Tolerance", "hold-tolerance", nullptr,
                          &NoteTrackerParams_t::holdToleranceCents, 1.0, 1200.0,
                          "Cents a single line's note may wander from its centre and hold"),
    trackersettings::integer("off_frames", "Off Frames", "off-frames", &NoteTrackerParams_t::offFrames, 1, 1000,
                             "Frames a note may be missing before it ends"),
    trackersettings::integer("max_polyphony", "Max Polyphony", "max-polyphony", &NoteTrackerParams_t::maxPolyphony, 1,
                             128,
                             "Notes at once at most; 1 follows a single line (voice, flute, bass) by its YIN pitch"),
    trackersettings::integer("harmonic_count", "Harmonic Count", "harmonic-count", &NoteTrackerParams_t::harmonicCount,
                             1, 16, "Partials read per candidate note"),
    trackersettings::integer("low_note", "Lowest Note", "lowest-note", &NoteTrackerParams_t::lowNote, 0, 127,
                             "Lowest candidate note (MIDI number)"),
    trackersettings::integer("high_note", "Highest Note", "highest-note", &NoteTrackerParams_t::highNote, 0, 127,
                             "Highest candidate note (MIDI number)"),
    trackersettings::integer("split_note", "Split Note", "split-note", &NoteTrackerParams_t::splitNote, 0, 127,
                             "Notes below this one are read from the longer low-note analysis"),
}};

} // namespace dravik
