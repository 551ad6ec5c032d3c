#include "audio/GeneratorEntry.h"

namespace dravik {

GeneratorEntry makeGeneratorEntry(std::uint32_t number)
{
    const OscillatorParams_t params{440.0, 44100.0, 0.0, static_cast<double>(0.8f)};
    return GeneratorEntry{"Audio Generator " + std::to_string(number), false, BlockOscillator(params), number};
}

} // namespace dravik
