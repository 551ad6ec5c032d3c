#include "source/GeneratorSource.h"

#include "source/FrameSignal.h"

#include <algorithm>

namespace dravik {

GeneratorSource::GeneratorSource()
    : generators{makeGeneratorEntry(1)}
{
}

bool GeneratorSource::add()
{
    return addGenerator(generators, lastNumber, rate);
}

void GeneratorSource::remove(std::size_t index)
{
    deleteGenerator(generators, index);
}

void GeneratorSource::setEnabled(std::size_t index, bool enabled)
{
    if (index < generators.size())
        generators[index].enabled = enabled;
}

void GeneratorSource::restore(const std::vector<std::uint32_t>& numbers, std::uint32_t counter)
{
    generators.clear();
    for (const std::uint32_t number : numbers) {
        // Each generator keeps its number, so its name and voice stay the same.
        lastNumber = number - 1;
        if (!add())
            break;
    }
    lastNumber = counter;
    for (const std::uint32_t number : numbers)
        lastNumber = std::max(lastNumber, number);
}

bool GeneratorSource::setSampleRate(double sampleRate)
{
    if (!isUsableSampleRate(sampleRate))
        return false;
    rate = sampleRate;
    setGeneratorSampleRate(generators, sampleRate);
    return true;
}

bool GeneratorSource::feedAnalyser(IFFT& analyser, std::uint32_t blockSize, std::uint32_t)
{
    return pushNextHop(generators, mixer, analyser, blockSize).hopCompleted;
}

} // namespace dravik
