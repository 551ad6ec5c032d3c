#include "mapping/MapperSettings.h"
#include "panels/OptionsController.h"
#include "panels/SettingWidgets.h"

#include <imgui.h>

namespace dravik {

namespace {
constexpr const auto& powerFilter = settingOf(mapperSettings, "power_filter");
} // namespace

void GaussianCentsMapperOptionsController::draw(GaussianCentsMapperParams_t& params)
{
    if (!ImGui::TreeNode("Gaussian Cents Options"))
        return;
    for (const auto& setting : gaussianCentsSettings)
        drawSetting(setting, params);
    drawSetting(powerFilter, params);
    for (const auto& band : gaussianCentsBands) {
        // An open tree node pushes its own ID scope, keeping the two bands' widgets apart.
        if (!ImGui::TreeNode(band.label))
            continue;
        for (const auto& setting : centsBandSettings)
            drawSetting(setting, params.*band.field);
        ImGui::TreePop();
    }
    ImGui::TreePop();
}

} // namespace dravik
