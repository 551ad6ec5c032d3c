#include "audio/GeneratorBank.h"

#include <algorithm>
#include <cmath>

namespace dravik {

bool addGenerator(std::vector<GeneratorEntry>& generators, std::uint32_t& counter, double sampleRate)
{
    if (generators.size() >= maxGenerators)
        return false;
    generators.push_back(makeGeneratorEntry(++counter));
    generators.back().oscillator.params()->sampleRate = sampleRate;
    return true;
}

void deleteGenerator(std::vector<GeneratorEntry>& generators, std::size_t index)
{
    if (index < generators.size())
        generators.erase(generators.begin() + static_cast<std::ptrdiff_t>(index));
}

bool isUsableSampleRate(double sampleRate)
{
    return std::isfinite(sampleRate) && sampleRate > 0.0;
}

void setGeneratorSampleRate(std::vector<GeneratorEntry>& generators, double sampleRate)
{
    for (GeneratorEntry& entry : generators)
        entry.oscillator.params()->sampleRate = sampleRate;
}

bool anyGeneratorEnabled(const std::vector<GeneratorEntry>& generators)
{
    return std::any_of(generators.begin(), generators.end(), [](const GeneratorEntry& e) { return e.enabled; });
}

double sampledFrequency(double frequency, double sampleRate)
{
    if (!std::isfinite(frequency) || !isUsableSampleRate(sampleRate))
        return frequency;
    const double folded = std::fmod(std::fabs(frequency), sampleRate);
    return folded > 0.5 * sampleRate ? sampleRate - folded : folded;
}

std::size_t collectToneVoices(const std::vector<GeneratorEntry>& generators, ToneVoice_t* voices)
{
    const std::size_t count = std::min(generators.size(), maxGenerators);
    for (std::size_t i = 0; i < count; ++i) {
        const GeneratorEntry& entry = generators[i];
        const OscillatorParams_t& p = *entry.oscillator.params();
        // A rate the oscillators cannot use leaves the voice unplayable, and silent.
        const double outputRate = isUsableSampleRate(p.sampleRate) ? ToneSynth::outputRate : p.sampleRate;
        voices[i] = ToneVoice_t{entry.number, entry.enabled, sampledFrequency(p.frequency, p.sampleRate), outputRate,
                                p.amplitude};
    }
    return count;
}

} // namespace dravik
