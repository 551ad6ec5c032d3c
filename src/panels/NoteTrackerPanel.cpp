#include "panels/NoteTrackerPanel.h"

#include "panels/SettingWidgets.h"
#include "tracking/TrackerSettings.h"

#include <imgui.h>

#include <algorithm>

namespace dravik {

namespace {

// Looked up as constants, so a key the table lacks does not compile.
constexpr const TrackerSetting_t& row(const char* key)
{
    return settingOf(trackerSettings, key);
}

constexpr const TrackerSetting_t& onLevel = row("relative_on_db");
constexpr const TrackerSetting_t& offLevel = row("relative_off_db");
constexpr const TrackerSetting_t& onFloor = row("floor_on_db");
constexpr const TrackerSetting_t& offFloor = row("floor_off_db");

constexpr const TrackerSetting_t* mainRows[] = {
    &row("peak_floor_db"),   &row("min_duration_s"),       &row("off_frames"),       &row("max_polyphony"),
    &row("onset_threshold"), &row("hold_tolerance_cents"), &row("harmonic_count"),   &row("low_note"),
    &row("high_note"),       &row("split_note"),           &row("velocity_floor_db")};

// How a note ends, starts again, and is told from a louder note's partials.
constexpr const TrackerSetting_t* releaseRows[] = {
    &row("release_drop_db"),      &row("release_slope_db"), &row("release_slope_s"),       &row("reattack_db"),
    &row("overtone_relative_db"), &row("octave_odd_ratio"), &row("octave_fundamental_db"), &row("strong_second_ratio")};

bool drawRows(const TrackerSetting_t* const* begin, const TrackerSetting_t* const* end, NoteTrackerParams_t& params)
{
    bool changed = false;
    for (const TrackerSetting_t* const* setting = begin; setting != end; ++setting)
        changed |= drawSetting(**setting, params);
    return changed;
}

// An on level and its off level: lowering the on level below the off level
// takes the off level down with it; the off level goes no higher than the on level.
bool drawLevelPair(const TrackerSetting_t& onSetting, const TrackerSetting_t& offSetting, NoteTrackerParams_t& params)
{
    const double& on = params.*onSetting.real;
    double& off = params.*offSetting.real;
    bool changed = false;
    if (drawSetting(onSetting, params)) {
        off = std::min(off, on);
        changed = true;
    }
    changed |= sliderDouble(offSetting.label, off, offSetting.slider.low, on, TypedRange_t{offSetting.typed.low, on},
                            offSetting.format);
    tooltip(offSetting.help);
    return changed;
}

} // namespace

bool drawNoteTrackerOptions(NoteTrackerParams_t& params)
{
    if (!ImGui::TreeNode("Note Tracker"))
        return false;
    bool changed = false;
    // Levels relative to the frame's strongest note, then in dB of full scale.
    changed |= drawLevelPair(onLevel, offLevel, params);
    changed |= drawLevelPair(onFloor, offFloor, params);
    changed |= drawRows(std::begin(mainRows), std::end(mainRows), params);
    if (ImGui::TreeNode("Releases and Overtones")) {
        changed |= drawRows(std::begin(releaseRows), std::end(releaseRows), params);
        ImGui::TreePop();
    }
    if (ImGui::Button("Tracker Defaults")) {
        copyTrackerOptions(NoteTrackerParams_t{}, params);
        changed = true;
    }
    ImGui::TreePop();
    return changed;
}

} // namespace dravik
