#pragma once

#include "audio/BlockOscillator.h"

#include <cstdint>
#include <string>

namespace dravik {

// One oscillator of the generator bank, as listed in the "Audio Generator" panel.
struct GeneratorEntry {
    std::string name; // "Audio Generator <number>", never changed
    bool enabled = false;
    BlockOscillator oscillator;
    std::uint32_t number; // the entry's own number: keys its voice in the sound output
};

// A disabled 440 Hz entry at 44100 Hz, phase 0, amplitude 0.8f, named after number.
GeneratorEntry makeGeneratorEntry(std::uint32_t number);

} // namespace dravik
