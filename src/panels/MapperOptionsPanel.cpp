#include "panels/MapperOptionsPanel.h"

#include "panels/OptionsController.h"

namespace dravik {

void drawOptions(MapperWrapper& mapper)
{
    // The controllers keep nothing between frames: every widget reads its
    // state from the record, so one controller serves any wrapper.
    if (GaussianCentsMapperParams_t* gaussian = mapper.gaussianParams()) {
        GaussianCentsMapperOptionsController controller;
        controller.draw(*gaussian);
    } else if (NoteEnergyParams_t* harmonic = mapper.harmonicParams()) {
        HarmonicEnergyMapperOptionsController controller;
        controller.draw(*harmonic);
    }
}

} // namespace dravik
