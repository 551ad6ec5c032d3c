#include "panels/Widgets.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace dravik {

namespace {

// The one typed entry in progress: ImGui has at most one active item. ImGui
// writes the parsed text into the edited value on every keystroke; it is kept
// here, away from the field, until the entry is committed.
struct PendingEntry_t {
    ImGuiID id = 0;
    int lastFrame = -1; // the entry is dropped if its widget was not drawn since
    double value = 0.0;
    bool edited = false;
};

PendingEntry_t pending;

// Draws a double slider over value. Returns true with the value to apply in
// `applied` when the field should change this frame.
bool committedSlider(const char* label, double current, double min, double max, TypedRange_t typed, const char* format,
                     double& applied)
{
    double edit = current;
    const bool changed = ImGui::SliderScalar(label, ImGuiDataType_Double, &edit, &min, &max, format, 0);
    const ImGuiID id = ImGui::GetItemID();
    const int frame = ImGui::GetFrameCount();

    if (ImGui::TempInputIsActive(id)) {
        if (pending.id != id || pending.lastFrame < frame - 1)
            pending = PendingEntry_t{id, frame, current, false};
        pending.lastFrame = frame;
        if (changed) {
            pending.value = edit;
            pending.edited = true;
        }
        return false;
    }
    if (pending.id == id) {
        // The entry ended this frame: Enter or a click elsewhere commits it.
        const PendingEntry_t entry = pending;
        pending = PendingEntry_t{};
        const bool cancelled = ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false);
        if (entry.lastFrame < frame - 1 || cancelled || !entry.edited)
            return false;
        return commitTyped(entry.value, typed, applied);
    }
    if (!changed)
        return false;
    applied = std::clamp(edit, min, max);
    return true;
}

} // namespace

bool commitTyped(double typed, TypedRange_t range, double& committed)
{
    if (std::isnan(typed))
        return false;
    committed = std::clamp(typed, range.min, range.max);
    return true;
}

bool sliderDouble(const char* label, double& field, double min, double max, TypedRange_t typed, const char* format)
{
    double applied = field;
    if (!committedSlider(label, field, min, max, typed, format, applied) || applied == field)
        return false;
    field = applied;
    return true;
}

bool sliderFloat(const char* label, float& field, double min, double max, TypedRange_t typed, const char* format)
{
    double applied = field;
    if (!committedSlider(label, field, min, max, typed, format, applied))
        return false;
    const auto narrowed =
        static_cast<float>(std::clamp(applied, static_cast<double>(-FLT_MAX), static_cast<double>(FLT_MAX)));
    if (narrowed == field)
        return false;
    field = narrowed;
    return true;
}

bool sliderInt(const char* label, std::int32_t& field, std::int32_t min, std::int32_t max, TypedRange_t typed)
{
    double applied = field;
    if (!committedSlider(label, field, min, max, typed, "%.0f", applied))
        return false;
    const auto rounded = static_cast<std::int32_t>(std::lround(std::clamp(applied, -2147483648.0, 2147483647.0)));
    if (rounded == field)
        return false;
    field = rounded;
    return true;
}

void tooltip(const char* text)
{
    if (!ImGui::IsItemHovered())
        return;
    ImGui::BeginTooltip();
    ImGui::PushTextWrapPos(ImGui::GetFontSize() * 28.0f);
    ImGui::TextUnformatted(text);
    ImGui::PopTextWrapPos();
    ImGui::EndTooltip();
}

void labelValue(const char* label, const char* value, const char* widest)
{
    const float needed =
        ImGui::CalcTextSize(widest != nullptr ? widest : value).x + 2.0f * ImGui::GetStyle().FramePadding.x;
    ImGui::PushItemWidth(std::max(ImGui::CalcItemWidth(), needed));
    ImGui::LabelText(label, "%s", value);
    ImGui::PopItemWidth();
}

void wrappedText(const char* text)
{
    ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + ImGui::GetFontSize() * 26.0f);
    ImGui::TextUnformatted(text);
    ImGui::PopTextWrapPos();
}

} // namespace dravik
