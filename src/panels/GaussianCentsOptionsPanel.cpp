#include "panels/OptionsController.h"

#include "panels/Widgets.h"

#include <imgui.h>

#include <limits>

namespace dravik {

namespace {
constexpr double unbounded = std::numeric_limits<double>::infinity();
}

void GaussianCentsMapperOptionsController::draw(GaussianCentsMapperParams_t& params)
{
    if (!ImGui::TreeNode("Gaussian Cents Options"))
        return;
    ImGui::Checkbox("Use Squared Weights", &params.useSquaredWeights);
    sliderInt("Harmonic Count", params.harmonicCount, 0, 12);
    sliderDouble("Fundamental Boost", params.fundamentalBoost, 0.0, 8.0, TypedRange_t{0.0, 1000.0});
    sliderDouble("Power Filter", params.powerFilter, 0.0, 2.0, TypedRange_t{0.0, unbounded});
    drawCentsBand("Fundamental Band", params.fundamentalBand);
    drawCentsBand("Harmonic Bands", params.harmonicBands);
    ImGui::TreePop();
}

void GaussianCentsMapperOptionsController::drawCentsBand(const char* title, CentsBandParams_t& band)
{
    // An open tree node pushes its own ID scope, keeping the two bands' widgets apart.
    if (!ImGui::TreeNode(title))
        return;
    sliderDouble("Sigma Cents", band.sigmaCents, 0.0, 100.0, TypedRange_t{0.0, 1200.0});
    // A cutoff beyond the slider, up to infinity, takes in every bin.
    sliderDouble("Cutoff Cents", band.cutoffCents, 0.0, 200.0, TypedRange_t{0.0, unbounded});
    ImGui::Checkbox("Normalize Weights", &band.normalizeWeights);
    ImGui::TreePop();
}

} // namespace dravik
