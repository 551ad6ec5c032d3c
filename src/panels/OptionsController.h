#pragma once

#include "mapping/MapperParams.h"

namespace dravik {

// Draws the options panel of one mapper's parameter record with Dear ImGui,
// editing the record in place; the mapper reads it afresh on its next call.
// The widgets come from the mapper settings' tables and keep no state: every
// value, the band shapes too, is read from the record each frame.
template <typename T>
class OptionsController {
public:
    virtual ~OptionsController() = default;
    virtual void draw(T& params) = 0;
};

class GaussianCentsMapperOptionsController final : public OptionsController<GaussianCentsMapperParams_t> {
public:
    void draw(GaussianCentsMapperParams_t& params) override;
};

class HarmonicEnergyMapperOptionsController final : public OptionsController<NoteEnergyParams_t> {
public:
    void draw(NoteEnergyParams_t& params) override;
};

} // namespace dravik
