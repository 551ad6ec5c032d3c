#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/GaussianCentsMapper.h"
#include "mapping/HarmonicEnergyMapper.h"
#include "mapping/MapperParams.h"
#include "mapping/OptionsController.h"

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

class GaussianMapperWrapper final : public MapperWrapper {
public:
    NoteEnergyView map(MagnitudeSpectrum spectrum) override { return mapper.map(spectrum); }
    void drawOptions() override { controller.draw(mapper.params()); }
    MapperParams_t* params() override { return &mapper.params(); }
    MapperType type() const override { return MapperType::GaussianCents; }

private:
    GaussianCentsMapper mapper;
    GaussianCentsMapperOptionsController controller;
};

class HarmonicMapperWrapper final : public MapperWrapper {
public:
    NoteEnergyView map(MagnitudeSpectrum spectrum) override { return mapper.map(spectrum); }
    void drawOptions() override { controller.draw(mapper.params()); }
    MapperParams_t* params() override { return &mapper.params(); }
    MapperType type() const override { return MapperType::HarmonicEnergy; }

private:
    HarmonicEnergyMapper mapper;
    HarmonicEnergyMapperOptionsController controller;
};

// A new wrapper of the given type with default parameters, its fftSize set to
// the running analyser's window length. Nothing else carries over.
std::unique_ptr<MapperWrapper> makeMapperWrapper(MapperType type, std::uint32_t fftSize);

} // namespace dravik
