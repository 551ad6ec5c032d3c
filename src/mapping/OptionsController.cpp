#include "mapping/OptionsController.h"

#include <imgui.h>

#include <limits>

namespace dravik {

namespace {

// 64-bit fields are edited through a 32-bit copy and written back, widened,
// only when the slider reports a change, so an untouched field keeps its
// exact value (0.6 stays 0.6, not 0.6000000238418579).
bool sliderDouble(const char* label, double& field, float max)
{
    // Values beyond float range only arrive by typing; show them as infinities
    // rather than narrowing out of range.
    constexpr float maxFloat = std::numeric_limits<float>::max();
    constexpr float infinity = std::numeric_limits<float>::infinity();
    float copy = field > maxFloat ? infinity : field < -maxFloat ? -infinity : static_cast<float>(field);
    if (!ImGui::SliderFloat(label, &copy, 0.0f, max, "%.3f", 0))
        return false;
    field = copy;
    return true;
}

bool sliderInt(const char* label, std::int32_t& field, int max)
{
    return ImGui::SliderInt(label, &field, 0, max, "%d", 0);
}

} // namespace

void GaussianCentsMapperOptionsController::draw(GaussianCentsMapperParams_t& params)
{
    if (!ImGui::TreeNode("Gaussian Cents Options"))
        return;
    ImGui::Checkbox("Use Squared Weights", &params.useSquaredWeights);
    sliderInt("Harmonic Count", params.harmonicCount, 12);
    sliderDouble("Fundamental Boost", params.fundamentalBoost, 8.0f);
    sliderDouble("Power Filter", params.powerFilter, 2.0f);
    drawCentsBand("Fundamental Band", params.fundamentalBand);
    drawCentsBand("Harmonic Bands", params.harmonicBands);
    ImGui::TreePop();
}

void GaussianCentsMapperOptionsController::drawCentsBand(const char* title, CentsBandParams_t& band)
{
    // An open tree node pushes its own ID scope, keeping the two bands' widgets apart.
    if (!ImGui::TreeNode(title))
        return;
    sliderDouble("Sigma Cents", band.sigmaCents, 100.0f);
    sliderDouble("Cutoff Cents", band.cutoffCents, 200.0f);
    ImGui::Checkbox("Normalize Weights", &band.normalizeWeights);
    ImGui::TreePop();
}

void HarmonicEnergyMapperOptionsController::draw(NoteEnergyParams_t& params)
{
    if (!ImGui::TreeNode("Harmonic Energy Options"))
        return;
    ImGui::Checkbox("Use Squared Weights", &params.useSquaredWeights);
    sliderInt("Harmonic Count", params.harmonicCount, 12);
    sliderDouble("Power Filter", params.powerFilter, 2.0f);
    sliderDouble("Fundamental Boost", params.fundamentalBoost, 10.0f);
    sliderDouble("Fundamental Soft Gate", params.fundamentalSoftGate, 5.0f);
    sliderDouble("Fundamental Hard Gate", params.fundamentalHardGate, 1.0f);
    sliderDouble("Fundamental Fraction", params.fundamentalFraction, 1.0f);
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
    sliderDouble("Sigma Scale", band.sigmaScale, 5.0f);
    sliderDouble("Sigma Bins", band.sigmaBins, 12.0f);
    ImGui::TreePop();
}

} // namespace dravik
