#include "panels/OptionsController.h"

#include "panels/Widgets.h"

#include <imgui.h>

namespace dravik {

namespace {

bool sliderInt(const char* label, std::int32_t& field, int max)
{
    return ImGui::SliderInt(label, &field, 0, max, "%d", 0);
}

// Every slider of these panels starts at 0.
bool sliderZeroTo(const char* label, double& field, float max)
{
    return sliderDouble(label, field, 0.0f, max);
}

} // namespace

void GaussianCentsMapperOptionsController::draw(GaussianCentsMapperParams_t& params)
{
    if (!ImGui::TreeNode("Gaussian Cents Options"))
        return;
    ImGui::Checkbox("Use Squared Weights", &params.useSquaredWeights);
    sliderInt("Harmonic Count", params.harmonicCount, 12);
    sliderZeroTo("Fundamental Boost", params.fundamentalBoost, 8.0f);
    sliderZeroTo("Power Filter", params.powerFilter, 2.0f);
    drawCentsBand("Fundamental Band", params.fundamentalBand);
    drawCentsBand("Harmonic Bands", params.harmonicBands);
    ImGui::TreePop();
}

void GaussianCentsMapperOptionsController::drawCentsBand(const char* title, CentsBandParams_t& band)
{
    // An open tree node pushes its own ID scope, keeping the two bands' widgets apart.
    if (!ImGui::TreeNode(title))
        return;
    sliderZeroTo("Sigma Cents", band.sigmaCents, 100.0f);
    sliderZeroTo("Cutoff Cents", band.cutoffCents, 200.0f);
    ImGui::Checkbox("Normalize Weights", &band.normalizeWeights);
    ImGui::TreePop();
}

void HarmonicEnergyMapperOptionsController::draw(NoteEnergyParams_t& params)
{
    if (!ImGui::TreeNode("Harmonic Energy Options"))
        return;
    ImGui::Checkbox("Use Squared Weights", &params.useSquaredWeights);
    sliderInt("Harmonic Count", params.harmonicCount, 12);
    sliderZeroTo("Power Filter", params.powerFilter, 2.0f);
    sliderZeroTo("Fundamental Boost", params.fundamentalBoost, 10.0f);
    sliderZeroTo("Fundamental Soft Gate", params.fundamentalSoftGate, 5.0f);
    sliderZeroTo("Fundamental Hard Gate", params.fundamentalHardGate, 1.0f);
    sliderZeroTo("Fundamental Fraction", params.fundamentalFraction, 1.0f);
    drawBinBand("Fundamental Band", params.fundamentalBand, fundamentalBandTypeIndex);
    drawBinBand("Harmonic Bands", params.harmonicBands, harmonicBandsTypeIndex);
    ImGui::TreePop();
}

void HarmonicEnergyMapperOptionsController::drawBinBand(const char* title, BinBandParams_t& band,
                                                        std::int32_t& typeIndex)
{
    static const char* const bandTypes[] = {"Box", "Triangular", "Gaussian"};
    if (!ImGui::TreeNode(title))
        return;
    ImGui::Checkbox("Normalize Weights", &band.normalizeWeights);
    if (ImGui::Combo("Band Type", &typeIndex, bandTypes, 3, -1))
        band.bandType = static_cast<BandType>(static_cast<std::uint8_t>(typeIndex));
    sliderInt("Radius Bins", band.radiusBins, 12);
    ImGui::Checkbox("Auto-sigma", &band.autoSigma);
    sliderZeroTo("Sigma Scale", band.sigmaScale, 5.0f);
    sliderZeroTo("Sigma Bins", band.sigmaBins, 12.0f);
    ImGui::TreePop();
}

} // namespace dravik
