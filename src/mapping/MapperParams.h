#pragma once

#include "mapping/NoteEnergy.h"

#include <cstdint>

namespace dravik {

enum class MapperType : std::uint8_t { GaussianCents = 0, HarmonicEnergy = 1 };

// Leading fields shared by both mappers' parameter records.
struct MapperParams_t {
    double sampleRate = 44100.0;       // Hz, for the bin spacing
    double referenceFrequency = 440.0; // Hz of MIDI note 69
    std::uint32_t fftSize = 4096;      // analyser window length; bin spacing is sampleRate / fftSize
    std::int32_t lowNote = 12;         // first note mapped
    std::int32_t highNote = 113;       // last note mapped, inclusive
    double powerFilter = 0.0;          // emission threshold of the Gaussian cents mapper
};

// One band of the Gaussian cents mapper, in cents around a target frequency.
struct CentsBandParams_t {
    double sigmaCents;
    double cutoffCents;
    bool normalizeWeights;
};

struct GaussianCentsMapperParams_t : MapperParams_t {
    CentsBandParams_t fundamentalBand{35.0, 150.0, true};
    CentsBandParams_t harmonicBands{45.0, 175.0, true};
    std::int32_t harmonicCount = 1;
    double fundamentalBoost = 1.0;
    bool useSquaredWeights = false;
};

// Shapes of the bin weights of the harmonic energy mapper; any other value acts as Box.
enum class BandType : std::uint8_t { Box = 0, Triangular = 1, Gaussian = 2 };

// One band of the harmonic energy mapper, in bins around a centre bin.
struct BinBandParams_t {
    BandType bandType;
    std::int32_t radiusBins;
    bool autoSigma; // Gaussian only: sigma = radiusBins * sigmaScale
    double sigmaScale;
    double sigmaBins;      // sigma when autoSigma is clear
    bool normalizeWeights; // divide by the weight sum (by the bin count for Box)
};

struct NoteEnergyParams_t : MapperParams_t {
    std::int32_t harmonicCount = 6;
    BinBandParams_t fundamentalBand{BandType::Gaussian, 4, true, 0.6, 0.6, true};
    BinBandParams_t harmonicBands{BandType::Gaussian, 2, true, 0.6, 1.2, true};
    double fundamentalBoost = 4.0;
    bool useSquaredWeights = true;
    double fundamentalHardGate = 0.0;
    double fundamentalSoftGate = 0.0;
    double fundamentalFraction = static_cast<double>(0.2f); // 0.20000000298023224
    double minEnergy = 0.0;
};

} // namespace dravik
