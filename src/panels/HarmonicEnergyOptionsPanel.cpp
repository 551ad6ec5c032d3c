#include "mapping/MapperSettings.h"
#include "panels/OptionsController.h"
#include "panels/SettingWidgets.h"

#include <imgui.h>

namespace dravik {

namespace {
// Looked up as constants, so a key no table has does not compile.
constexpr const auto& squaredWeights = settingOf(noteEnergySettings, "squared_weights");
constexpr const auto& harmonicCount = settingOf(noteEnergySettings, "harmonic_count");
constexpr const auto& powerFilter = settingOf(mapperSettings, "power_filter");
constexpr const Setting_t<NoteEnergyParams_t>* fundamentalRows[] = {
    &settingOf(noteEnergySettings, "fundamental_boost"), &settingOf(noteEnergySettings, "fundamental_soft_gate"),
    &settingOf(noteEnergySettings, "fundamental_hard_gate"), &settingOf(noteEnergySettings, "fundamental_fraction")};
} // namespace

void HarmonicEnergyMapperOptionsController::draw(NoteEnergyParams_t& params)
{
    if (!ImGui::TreeNode("Harmonic Energy Options"))
        return;
    drawSetting(squaredWeights, params);
    drawSetting(harmonicCount, params);
    // The harmonic mapping emits by its own minEnergy and never reads this
    // shared field. The row is kept on purpose: both mapper panels show the
    // shared record's settings alike, and no layout a user learnt moves.
    drawSetting(powerFilter, params);
    for (const Setting_t<NoteEnergyParams_t>* setting : fundamentalRows)
        drawSetting(*setting, params);
    for (const auto& band : noteEnergyBands) {
        if (!ImGui::TreeNode(band.label))
            continue;
        // The band's shape is read from the record each frame, so a restored
        // session's shape shows in its "Band Type" combo.
        for (const auto& setting : binBandSettings)
            drawSetting(setting, params.*band.field);
        ImGui::TreePop();
    }
    ImGui::TreePop();
}

} // namespace dravik
