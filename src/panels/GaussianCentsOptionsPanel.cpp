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
    tooltip("Weights harmonic j by 1/j² instead of 1/j, so higher harmonics count less.");
    sliderInt("Harmonic Count", params.harmonicCount, 0, 12);
    tooltip("How many harmonics of each note, the fundamental included, add to its energy.");
    sliderDouble("Fundamental Boost", params.fundamentalBoost, 0.0, 8.0, TypedRange_t{0.0, 1000.0});
    tooltip("Multiplies the fundamental's weight, so a note needs its own fundamental more than its harmonics.");
    sliderDouble("Power Filter", params.powerFilter, 0.0, 2.0, TypedRange_t{0.0, unbounded});
    tooltip("Notes whose energy stays below this are not shown (the Gaussian cents mapper's threshold).");
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
    tooltip("Width of the Gaussian weight around each target frequency, in cents: wider takes in more mistuning.");
    // A cutoff beyond the slider, up to infinity, takes in every bin.
    sliderDouble("Cutoff Cents", band.cutoffCents, 0.0, 200.0, TypedRange_t{0.0, unbounded});
    tooltip("How far either side of the target the bins are searched, in cents.");
    ImGui::Checkbox("Normalize Weights", &band.normalizeWeights);
    tooltip("Divides the weighted sum by the sum of the weights, so a wider band does not read louder.");
    ImGui::TreePop();
}

} // namespace dravik
