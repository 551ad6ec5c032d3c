#include "panels/OptionsController.h"

#include "panels/Widgets.h"

#include <imgui.h>

#include <limits>

namespace dravik {

namespace {
constexpr double unbounded = std::numeric_limits<double>::infinity();
// The widest typed band: far wider than any note's neighbourhood, and the
// mapper's work stays bounded by the bins that exist anyway.
constexpr std::int32_t maxTypedRadius = 4096;
} // namespace

void HarmonicEnergyMapperOptionsController::draw(NoteEnergyParams_t& params)
{
    if (!ImGui::TreeNode("Harmonic Energy Options"))
        return;
    ImGui::Checkbox("Use Squared Weights", &params.useSquaredWeights);
    tooltip("Weights harmonic j by 1/j² instead of 1/j, so higher harmonics count less.");
    sliderInt("Harmonic Count", params.harmonicCount, 0, 12);
    tooltip("How many harmonics of each note, the fundamental included, add to its energy.");
    // The harmonic mapping emits by its own minEnergy and never reads this
    // shared field. The row is kept on purpose: both mapper panels show the
    // shared record's settings alike, and no layout a user learnt moves.
    sliderDouble("Power Filter", params.powerFilter, 0.0, 2.0, TypedRange_t{0.0, unbounded});
    tooltip("Notes whose energy stays below this are not shown (the Gaussian cents mapper's threshold).");
    sliderDouble("Fundamental Boost", params.fundamentalBoost, 0.0, 10.0, TypedRange_t{0.0, 1000.0});
    tooltip("Multiplies the fundamental's weight in the note's mean.");
    sliderDouble("Fundamental Soft Gate", params.fundamentalSoftGate, 0.0, 5.0, TypedRange_t{0.0, unbounded});
    tooltip("Scales a note down when its fundamental's band is weak; 0 is off.");
    sliderDouble("Fundamental Hard Gate", params.fundamentalHardGate, 0.0, 1.0, TypedRange_t{0.0, unbounded});
    tooltip("A note whose fundamental's band energy is below this reads 0; 0 is off.");
    sliderDouble("Fundamental Fraction", params.fundamentalFraction, 0.0, 1.0);
    tooltip("Scales a note down when its fundamental holds less than this share of its harmonics' energy.");
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
    tooltip("Divides the weighted sum by the sum of the weights, so a wider band does not read louder.");
    // The record is the one home of the shape: a restored session writes it
    // too, so the combo's item is read back from it before drawing. The
    // mapper takes any other value as a box.
    const auto shape = static_cast<std::uint8_t>(band.bandType);
    typeIndex = shape == 1 || shape == 2 ? shape : 0;
    if (ImGui::Combo("Band Type", &typeIndex, bandTypes, 3, -1))
        band.bandType = static_cast<BandType>(static_cast<std::uint8_t>(typeIndex));
    tooltip("The shape of the weights across the band: flat, falling linearly, or Gaussian.");
    sliderInt("Radius Bins", band.radiusBins, 0, 12, TypedRange_t{0.0, maxTypedRadius});
    tooltip("Half-width of the band of bins measured around each harmonic.");
    ImGui::Checkbox("Auto-sigma", &band.autoSigma);
    tooltip("For the Gaussian band: sigma follows the radius (Radius Bins x Sigma Scale) instead of Sigma Bins.");
    sliderDouble("Sigma Scale", band.sigmaScale, 0.0, 5.0, TypedRange_t{0.0, 100.0});
    tooltip("Sigma per bin of radius while Auto-sigma is on.");
    sliderDouble("Sigma Bins", band.sigmaBins, 0.0, 12.0, TypedRange_t{0.0, maxTypedRadius});
    tooltip("The Gaussian band's sigma in bins while Auto-sigma is off.");
    ImGui::TreePop();
}

} // namespace dravik
