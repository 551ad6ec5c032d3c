#include "mapping/MapperWrapper.h"

namespace dravik {

std::unique_ptr<MapperWrapper> makeMapperWrapper(MapperType type, std::uint32_t fftSize, double sampleRate)
{
    std::unique_ptr<MapperWrapper> wrapper;
    if (type == MapperType::HarmonicEnergy)
        wrapper = std::make_unique<HarmonicMapperWrapper>();
    else
        wrapper = std::make_unique<GaussianMapperWrapper>();
    wrapper->params()->fftSize = fftSize;
    wrapper->params()->sampleRate = sampleRate;
    return wrapper;
}

} // namespace dravik
