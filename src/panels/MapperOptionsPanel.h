#pragma once

#include "mapping/MapperWrapper.h"

namespace dravik {

// Draws the options panel of the wrapper's algorithm ("Gaussian Cents
// Options" or "Harmonic Energy Options"), editing its record in place; the
// mapper reads it afresh on its next call.
void drawOptions(MapperWrapper& mapper);

} // namespace dravik
