#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/GaussianCentsMapper.h"
#include "mapping/HarmonicEnergyMapper.h"
#include "mapping/MapperParams.h"

#include <cstdint>
#include <memory>

namespace dravik {

// Holds one mapping algorithm behind one owning pointer, so the analysis can
// switch between them at run time. Its options panel reaches the parameter
// record through the typed accessor of its own type.
class MapperWrapper {
public:
    virtual ~MapperWrapper() = default;
    virtual NoteEnergyView map(MagnitudeSpectrum spectrum) = 0;
    virtual MapperParams_t* params() = 0;
    virtual MapperType type() const = 0;
    // The algorithm's own record when it is of that type, otherwise null.
    virtual GaussianCentsMapperParams_t* gaussianParams() { return nullptr; }
    virtual NoteEnergyParams_t* harmonicParams() { return nullptr; }
    const GaussianCentsMapperParams_t* gaussianParams() const
    {
        return const_cast<MapperWrapper*>(this)->gaussianParams();
    }
    const NoteEnergyParams_t* harmonicParams() const { return const_cast<MapperWrapper*>(this)->harmonicParams(); }
};

// One algorithm by value; both wrappers are this.
template <typename Mapper, MapperType Type>
class TypedMapperWrapper final : public MapperWrapper {
public:
    NoteEnergyView map(MagnitudeSpectrum spectrum) override { return mapper.map(spectrum); }
    MapperParams_t* params() override { return &mapper.params(); }
    MapperType type() const override { return Type; }
    using MapperWrapper::gaussianParams;
    using MapperWrapper::harmonicParams;
    GaussianCentsMapperParams_t* gaussianParams() override
    {
        if constexpr (Type == MapperType::GaussianCents)
            return &mapper.params();
        else
            return nullptr;
    }
    NoteEnergyParams_t* harmonicParams() override
    {
        if constexpr (Type == MapperType::HarmonicEnergy)
            return &mapper.params();
        else
            return nullptr;
    }

private:
    Mapper mapper;
};

using GaussianMapperWrapper = TypedMapperWrapper<GaussianCentsMapper, MapperType::GaussianCents>;
using HarmonicMapperWrapper = TypedMapperWrapper<HarmonicEnergyMapper, MapperType::HarmonicEnergy>;

// A new wrapper of the given type with default parameters, its fftSize and
// sampleRate set to the running analysis's. Nothing else carries over.
std::unique_ptr<MapperWrapper> makeMapperWrapper(MapperType type, std::uint32_t fftSize, double sampleRate);

} // namespace dravik
