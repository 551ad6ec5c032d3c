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
bool drawLevelPair(const char* onLabel, const char* offLabel, double& on, double& off, double min, double max)
{
    bool changed = false;
    if (sliderDouble(onLabel, on, min, max, TypedRange_t{min, max}, "%.1f dB")) {
        off = std::min(off, on);
        changed = true;
    }
    changed |= sliderDouble(offLabel, off, min, on, TypedRange_t{min, on}, "%.1f dB");
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
    // ... or when it falls this much faster over the span than over the span before.
    changed |= sliderDouble("Release Slope", params.releaseSlopeDb, 1.0, 30.0, TypedRange_t{0.5, 200.0}, "%.1f dB");
    changed |= sliderDouble("Slope Span", params.releaseSlopeSeconds, 0.02, 0.5, TypedRange_t{0.01, 2.0}, "%.3f s");
    // An ended note starts again on a rise of this much.
    changed |= sliderDouble("Reattack", params.reattackDb, 1.0, 40.0, TypedRange_t{0.5, 200.0}, "%.1f dB");
    // A note at the third to ninth partial of a louder one counts only this close to it.
    changed |=
        sliderDouble("Overtone Level", params.overtoneRelativeDb, -30.0, 0.0, TypedRange_t{-120.0, 0.0}, "%.1f dB");
    // The octave below wins when its odd partials reach this share of the note.
    changed |= sliderDouble("Octave Odd Ratio", params.octaveOddRatio, 0.0, 2.0, TypedRange_t{0.0, 100.0}, "%.2f");
    changed |= sliderDouble("Octave Fundamental", params.octaveFundamentalDb, -80.0, 0.0, TypedRange_t{-200.0, 0.0},
                            "%.1f dB");
    // A second partial this many times the fundamental is the note's own.
    changed |= sliderDouble("Strong Second", params.strongSecondRatio, 1.0, 10.0, TypedRange_t{1.0, 1000.0}, "%.1f x");
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
    changed |= drawLevelPair("On Level", "Off Level", params.relativeOnDb, params.relativeOffDb, -60.0, 0.0);
    changed |= drawLevelPair("On Floor", "Off Floor", params.floorOnDb, params.floorOffDb, -120.0, 0.0);
    changed |= sliderDouble("Peak Floor", params.peakFloorDb, -140.0, 0.0, TypedRange_t{-140.0, 0.0}, "%.1f dB");
    changed |= sliderDouble("Min Duration", params.minDurationSeconds, 0.0, 1.0, TypedRange_t{0.0, 10.0}, "%.3f s");
    changed |= sliderInt("Off Frames", params.offFrames, 1, 20, TypedRange_t{1.0, 1000.0});
    // At 1 the tracker follows a single line (voice, flute, bass) by its YIN pitch.
    changed |= sliderInt("Max Polyphony", params.maxPolyphony, 1, 12);
    // Lower finds more onsets, the starts that notes are stamped at.
    changed |= sliderDouble("Onset Threshold", params.onsetThreshold, 0.05, 1.0, TypedRange_t{0.001, 10.0}, "%.2f");
    // A single line's note holds while its pitch stays this close to its centre.
    changed |=
        sliderDouble("Hold Tolerance", params.holdToleranceCents, 10.0, 200.0, TypedRange_t{1.0, 1200.0}, "%.0f cents");
    changed |= sliderInt("Harmonic Count##tracker", params.harmonicCount, 1, PitchEstimator::maxHarmonics);
    changed |= sliderInt("Lowest Note", params.lowNote, 0, lastMidiNote);
    changed |= sliderInt("Highest Note", params.highNote, 0, lastMidiNote);
    // Below this note the longer analysis reads the partials.
    changed |= sliderInt("Split Note", params.splitNote, 0, lastMidiNote);
    changed |=
        sliderDouble("Velocity Floor", params.velocityFloorDb, -120.0, -1.0, TypedRange_t{-120.0, -1.0}, "%.1f dB");
    changed |= drawReleasesAndOvertones(params);
    if (ImGui::Button("Tracker Defaults")) {
        copyTrackerOptions(NoteTrackerParams_t{}, params);
        changed = true;
    }
    ImGui::TreePop();
    return changed;
}

} // namespace dravik
