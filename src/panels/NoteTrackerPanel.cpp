#include "panels/NoteTrackerPanel.h"

#include "panels/Widgets.h"
#include "tracking/PitchEstimator.h"

#include <imgui.h>

#include <algorithm>

namespace dravik {

namespace {

constexpr std::int32_t lastMidiNote = 127;

// An on level and its off level: lowering the on level below the off level
// takes the off level down with it; the off level goes no higher than the on level.
bool drawLevelPair(const char* onLabel, const char* offLabel, double& on, double& off, double min, double max,
                   const char* onTip, const char* offTip)
{
    bool changed = false;
    if (sliderDouble(onLabel, on, min, max, TypedRange_t{min, max}, "%.1f dB")) {
        off = std::min(off, on);
        changed = true;
    }
    tooltip(onTip);
    changed |= sliderDouble(offLabel, off, min, on, TypedRange_t{min, on}, "%.1f dB");
    tooltip(offTip);
    return changed;
}

// How a note ends, starts again, and is told from a louder note's partials.
bool drawReleasesAndOvertones(NoteTrackerParams_t& params)
{
    if (!ImGui::TreeNode("Releases and Overtones"))
        return false;
    bool changed = false;
    // A note ends this far below its own loudest since it started ...
    changed |= sliderDouble("Release Drop", params.releaseDropDb, 1.0, 60.0, TypedRange_t{1.0, 200.0}, "%.1f dB");
    tooltip("A note ends this far below its own loudest since it started.");
    // ... or when it falls this much faster over the span than over the span before.
    changed |= sliderDouble("Release Slope", params.releaseSlopeDb, 1.0, 30.0, TypedRange_t{0.5, 200.0}, "%.1f dB");
    tooltip("A note also ends when it falls this much faster than over the span before.");
    changed |= sliderDouble("Slope Span", params.releaseSlopeSeconds, 0.02, 0.5, TypedRange_t{0.01, 2.0}, "%.3f s");
    tooltip("The time over which the release slope is measured.");
    // An ended note starts again on a rise of this much.
    changed |= sliderDouble("Reattack", params.reattackDb, 1.0, 40.0, TypedRange_t{0.5, 200.0}, "%.1f dB");
    tooltip("An ended note starts again on a rise of this much.");
    // A note at the third to ninth partial of a louder one counts only this close to it.
    changed |=
        sliderDouble("Overtone Level", params.overtoneRelativeDb, -30.0, 0.0, TypedRange_t{-120.0, 0.0}, "%.1f dB");
    tooltip("A note at a louder note's third to ninth partial counts only this close to it.");
    // The octave below wins when its odd partials reach this share of the note.
    changed |= sliderDouble("Octave Odd Ratio", params.octaveOddRatio, 0.0, 2.0, TypedRange_t{0.0, 100.0}, "%.2f");
    tooltip("The octave below wins when its odd partials reach this share of the note.");
    changed |= sliderDouble("Octave Fundamental", params.octaveFundamentalDb, -80.0, 0.0, TypedRange_t{-200.0, 0.0},
                            "%.1f dB");
    tooltip("The octave below also needs its fundamental at least this level relative to the note.");
    // A second partial this many times the fundamental is the note's own.
    changed |= sliderDouble("Strong Second", params.strongSecondRatio, 1.0, 10.0, TypedRange_t{1.0, 1000.0}, "%.1f x");
    tooltip("A second partial this many times the fundamental is the note's own, not an octave up.");
    ImGui::TreePop();
    return changed;
}

} // namespace

bool drawNoteTrackerOptions(NoteTrackerParams_t& params)
{
    if (!ImGui::TreeNode("Note Tracker"))
        return false;
    bool changed = false;
    // Levels relative to the frame's strongest note, then in dB of full scale.
    changed |= drawLevelPair("On Level", "Off Level", params.relativeOnDb, params.relativeOffDb, -60.0, 0.0,
                             "A note starts when it comes within this many dB of the frame's strongest note.",
                             "A sounding note ends when it falls more than this below the frame's strongest note.");
    changed |= drawLevelPair("On Floor", "Off Floor", params.floorOnDb, params.floorOffDb, -120.0, 0.0,
                             "A note starts only above this level, in dB of full scale.",
                             "A sounding note ends below this level, in dB of full scale.");
    changed |= sliderDouble("Peak Floor", params.peakFloorDb, -140.0, 0.0, TypedRange_t{-140.0, 0.0}, "%.1f dB");
    tooltip("Spectral peaks below this level are not read as partials at all.");
    changed |= sliderDouble("Min Duration", params.minDurationSeconds, 0.0, 1.0, TypedRange_t{0.0, 10.0}, "%.3f s");
    tooltip("Notes shorter than this are dropped as noise.");
    changed |= sliderInt("Off Frames", params.offFrames, 1, 20, TypedRange_t{1.0, 1000.0});
    tooltip("How many analyses in a row a note must be missing before it ends.");
    changed |= sliderInt("Max Polyphony", params.maxPolyphony, 1, 12);
    tooltip("The most notes that sound at once; at 1 the tracker follows a single line (voice, flute, bass) "
            "by its YIN pitch.");
    changed |= sliderDouble("Onset Threshold", params.onsetThreshold, 0.05, 1.0, TypedRange_t{0.001, 10.0}, "%.2f");
    tooltip("How sharp a rise must be to count as an onset, where notes are stamped; lower finds more onsets.");
    changed |=
        sliderDouble("Hold Tolerance", params.holdToleranceCents, 10.0, 200.0, TypedRange_t{1.0, 1200.0}, "%.0f cents");
    tooltip("A single line's note holds while its pitch stays this close to its centre, through vibrato and glides.");
    changed |= sliderInt("Harmonic Count##tracker", params.harmonicCount, 1, PitchEstimator::maxHarmonics);
    tooltip("How many partials of a candidate note are read to judge its pitch.");
    changed |= sliderInt("Lowest Note", params.lowNote, 0, lastMidiNote);
    tooltip("No note below this MIDI note is tracked.");
    changed |= sliderInt("Highest Note", params.highNote, 0, lastMidiNote);
    tooltip("No note above this MIDI note is tracked.");
    // Below this note the longer analysis reads the partials.
    changed |= sliderInt("Split Note", params.splitNote, 0, lastMidiNote);
    tooltip("Below this note the longer low-note analysis reads the partials.");
    changed |=
        sliderDouble("Velocity Floor", params.velocityFloorDb, -120.0, -1.0, TypedRange_t{-120.0, -1.0}, "%.1f dB");
    tooltip("The level that maps to the softest velocity; louder notes get higher velocities.");
    changed |= drawReleasesAndOvertones(params);
    if (ImGui::Button("Tracker Defaults")) {
        copyTrackerOptions(NoteTrackerParams_t{}, params);
        changed = true;
    }
    ImGui::TreePop();
    return changed;
}

} // namespace dravik
