#pragma once

#include "shared/ArrayView.h"

#include <cstdint>

namespace dravik {

// One element of a mapper's output.
struct NoteEnergy {
    std::uint8_t note; // MIDI note number
    double energy;     // weighted mean of band powers, in the unit of the spectrum's power
};

// A mapper's output, in ascending note order; valid until its next map call.
using NoteEnergyView = ArrayView<NoteEnergy>;

} // namespace dravik
