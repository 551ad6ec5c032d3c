#pragma once

#include "panels/Widgets.h"
#include "shared/Setting.h"

#include <imgui.h>

#include <cstdint>

namespace dravik {

// The widget of one setting, drawn from its description: a slider over its
// slider range whose typed values are clamped to its typed range, a checkbox
// or a combo, with its help as tooltip. `record` holds the field; it may be a
// record derived from the one the setting describes. Returns true in the
// frame the field changed.

// Combo items of a size setting: the powers of two of its slider range.
std::int32_t sizeItemCount(SettingRange_t offered);
// The size of an item, or 0 for an index no item has.
std::uint32_t sizeOfItem(SettingRange_t offered, std::int32_t index);
// The item showing a size; -1 for a size no item shows.
std::int32_t itemOfSize(SettingRange_t offered, std::uint32_t size);

bool sizeCombo(const char* label, std::uint32_t& field, SettingRange_t offered);
bool choiceCombo(const char* label, std::uint8_t& item, const SettingChoice_t* choices, std::uint8_t count);

enum class Tooltip : bool { Hidden, Shown };

template <typename Described, typename Record>
bool drawSetting(const Setting_t<Described>& s, Record& record, Tooltip tip = Tooltip::Shown)
{
    const TypedRange_t typed{s.typed.low, s.typed.high};
    const char* format = s.format != nullptr ? s.format : "%.3f";
    bool changed = false;
    switch (s.kind) {
    case SettingKind::Real:
        changed = sliderDouble(s.label, record.*s.real, s.slider.low, s.slider.high, typed, format);
        break;
    case SettingKind::Real32:
        changed = sliderFloat(s.label, record.*s.real32, s.slider.low, s.slider.high, typed, format);
        break;
    case SettingKind::Integer:
        changed = sliderInt(s.label, record.*s.integer, static_cast<std::int32_t>(s.slider.low),
                            static_cast<std::int32_t>(s.slider.high), typed);
        break;
    case SettingKind::Size:
        changed = sizeCombo(s.label, record.*s.size, s.slider);
        break;
    case SettingKind::Flag:
        changed = ImGui::Checkbox(s.label, &(record.*s.flag));
        break;
    case SettingKind::Choice: {
        // The item is read from the record each frame: the record is the one home of the choice.
        std::uint8_t item = s.choiceOf(record);
        if (choiceCombo(s.label, item, s.choices, s.choiceCount)) {
            s.setChoice(record, item);
            changed = true;
        }
        break;
    }
    }
    if (tip == Tooltip::Shown)
        tooltip(s.help);
    return changed;
}

} // namespace dravik
