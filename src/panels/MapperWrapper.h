#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/GaussianCentsMapper.h"
#include "mapping/HarmonicEnergyMapper.h"
#include "mapping/MapperParams.h"
#include "panels/OptionsController.h"

#include <cstdint>
#include <memory>

namespace dravik {

// Pairs one mapping algorithm with the panel that edits its parameters, so the
// scene can hold either through one owning pointer and switch at run time.
class MapperWrapper {
public:
    virtual ~MapperWrapper() = default;
    virtual NoteEnergyView map(MagnitudeSpectrum spectrum) = 0;
    virtual void drawOptions() = 0;
    virtual MapperParams_t* params() = 0;
    virtual MapperType type() const = 0;
};

// One algorithm and its panel, by value; both wrappers are this pairing.
template <typename Mapper, typename Controller, MapperType Type>
class PairedMapperWrapper final : public MapperWrapper {
public:
    NoteEnergyView map(MagnitudeSpectrum spectrum) override { return mapper.map(spectrum); }
    void drawOptions() override { controller.draw(mapper.params()); }
    MapperParams_t* params() override { return &mapper.params(); }
    MapperType type() const override { return Type; }

private:
    Mapper mapper;
    Controller controller;
};

using GaussianMapperWrapper =
    PairedMapperWrapper<GaussianCentsMapper, GaussianCentsMapperOptionsController, MapperType::GaussianCents>;
using HarmonicMapperWrapper =
    PairedMapperWrapper<HarmonicEnergyMapper, HarmonicEnergyMapperOptionsController, MapperType::HarmonicEnergy>;

// A new wrapper of the given type with default parameters, its fftSize and
// sampleRate set to the running analysis's. Nothing else carries over.
std::unique_ptr<MapperWrapper> makeMapperWrapper(MapperType type, std::uint32_t fftSize, double sampleRate);

} // namespace dravik
