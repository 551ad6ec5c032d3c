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
    sliderInt("Harmonic Count", params.harmonicCount, 0, 12);
    // The harmonic mapping emits by its own minEnergy and never reads this
    // shared field. The row is kept on purpose: both mapper panels show the
    // shared record's settings alike, and no layout a user learnt moves.
    sliderDouble("Power Filter", params.powerFilter, 0.0, 2.0, TypedRange_t{0.0, unbounded});
    sliderDouble("Fundamental Boost", params.fundamentalBoost, 0.0, 10.0, TypedRange_t{0.0, 1000.0});
    sliderDouble("Fundamental Soft Gate", params.fundamentalSoftGate, 0.0, 5.0, TypedRange_t{0.0, unbounded});
    sliderDouble("Fundamental Hard Gate", params.fundamentalHardGate, 0.0, 1.0, TypedRange_t{0.0, unbounded});
    sliderDouble("Fundamental Fraction", params.fundamentalFraction, 0.0, 1.0);
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
    // The record is the one home of the shape: a restored session writes it
    // too, so the combo's item is read back from it before drawing. The
    // mapper takes any other value as a box.
    const auto shape = static_cast<std::uint8_t>(band.bandType);
    typeIndex = shape == 1 || shape == 2 ? shape : 0;
    if (ImGui::Combo("Band Type", &typeIndex, bandTypes, 3, -1))
        band.bandType = static_cast<BandType>(static_cast<std::uint8_t>(typeIndex));
    sliderInt("Radius Bins", band.radiusBins, 0, 12, TypedRange_t{0.0, maxTypedRadius});
    ImGui::Checkbox("Auto-sigma", &band.autoSigma);
    sliderDouble("Sigma Scale", band.sigmaScale, 0.0, 5.0, TypedRange_t{0.0, 100.0});
    sliderDouble("Sigma Bins", band.sigmaBins, 0.0, 12.0, TypedRange_t{0.0, maxTypedRadius});
    ImGui::TreePop();
}

} // namespace dravik
