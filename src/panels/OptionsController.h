#pragma once

#include "mapping/MapperParams.h"

#include <cstdint>

namespace dravik {

// Draws the options panel of one mapper's parameter record with Dear ImGui,
// editing the record in place; the mapper reads it afresh on its next call.
template <typename T>
class OptionsController {
public:
    virtual ~OptionsController() = default;
    virtual void draw(T& params) = 0;
};

class GaussianCentsMapperOptionsController final : public OptionsController<GaussianCentsMapperParams_t> {
public:
    void draw(GaussianCentsMapperParams_t& params) override;

private:
    static void drawCentsBand(const char* title, CentsBandParams_t& band);
};

class HarmonicEnergyMapperOptionsController final : public OptionsController<NoteEnergyParams_t> {
public:
    void draw(NoteEnergyParams_t& params) override;

    // Current items of the two "Band Type" combos.
    std::int32_t fundamentalBandTypeIndex = 2;
    std::int32_t harmonicBandsTypeIndex = 2;

private:
    static void drawBinBand(const char* title, BinBandParams_t& band, std::int32_t& typeIndex);
};

} // namespace dravik
