#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/MapperParams.h"

namespace dravik {

// Turns a magnitude spectrum into note energies. Not const: each call refills
// the mapper's output array, invalidating the previous view.
class IFrequencyMapper {
public:
    virtual ~IFrequencyMapper() = default;
    virtual NoteEnergyView map(MagnitudeSpectrum spectrum) = 0;
};

} // namespace dravik
