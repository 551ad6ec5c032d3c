#include "panels/MapperWrapper.h"

namespace dravik {

std::unique_ptr<MapperWrapper> makeMapperWrapper(MapperType type, std::uint32_t fftSize)
{
    std::unique_ptr<MapperWrapper> wrapper;
    if (type == MapperType::HarmonicEnergy)
        wrapper = std::make_unique<HarmonicMapperWrapper>();
    else
        wrapper = std::make_unique<GaussianMapperWrapper>();
    wrapper->params()->fftSize = fftSize;
    return wrapper;
}

} // namespace dravik
