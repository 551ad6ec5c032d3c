#include "panels/SettingWidgets.h"

#include <cstdio>

namespace dravik {

namespace {

struct SizeItems_t {
    SettingRange_t offered;
};

bool sizeItemText(void* data, int index, const char** text)
{
    static char buffer[24];
    const auto* items = static_cast<const SizeItems_t*>(data);
    std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(sizeOfItem(items->offered, index)));
    *text = buffer;
    return true;
}

bool choiceItemText(void* data, int index, const char** text)
{
    *text = static_cast<const SettingChoice_t*>(data)[index].label;
    return true;
}

} // namespace

std::int32_t sizeItemCount(SettingRange_t offered)
{
    std::int32_t count = 0;
    for (double size = offered.low; size <= offered.high && size >= 1.0; size += size)
        ++count;
    return count;
}

std::uint32_t sizeOfItem(SettingRange_t offered, std::int32_t index)
{
    if (index < 0 || index >= sizeItemCount(offered))
        return 0;
    return static_cast<std::uint32_t>(offered.low) << index;
}

std::int32_t itemOfSize(SettingRange_t offered, std::uint32_t size)
{
    for (std::int32_t i = 0; i < sizeItemCount(offered); ++i) {
        if (sizeOfItem(offered, i) == size)
            return i;
    }
    return -1;
}

bool sizeCombo(const char* label, std::uint32_t& field, SettingRange_t offered)
{
    SizeItems_t items{offered};
    int item = itemOfSize(offered, field);
    if (!ImGui::Combo(label, &item, sizeItemText, &items, sizeItemCount(offered), -1))
        return false;
    field = sizeOfItem(offered, item);
    return true;
}

bool choiceCombo(const char* label, std::uint8_t& item, const SettingChoice_t* choices, std::uint8_t count)
{
    int index = item;
    // The items' labels stay constant; ImGui only reads them through the getter.
    if (!ImGui::Combo(label, &index, choiceItemText, const_cast<SettingChoice_t*>(choices), count, -1))
        return false;
    item = static_cast<std::uint8_t>(index);
    return true;
}

} // namespace dravik
