#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/MapperParams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dravik::test {

// A spectrum of chosen bin powers (magnitudes are never read by the mappers).
struct TestSpectrum {
    std::vector<SpectrumBin> bins;

    explicit TestSpectrum(std::size_t count, double power = 0.0)
        : bins(count, SpectrumBin{0.0, power})
    {
    }

    TestSpectrum& set(std::size_t k, double power)
    {
        bins.at(k).power = power;
        return *this;
    }

    MagnitudeSpectrum view() const { return {bins.data(), bins.size()}; }
};

// Bins of a 4096-point analysis, DC to Nyquist.
constexpr std::size_t defaultBinCount = 4096 / 2 + 1;

// 45056 Hz over 4096 points puts 11 Hz in each bin, so A4 (440 Hz) is exactly
// bin 40 and its harmonics bins 80, 120, ...
constexpr double exactSampleRate = 45056.0;
constexpr std::size_t a4Bin = 40;

// What every map call must deliver, whatever the record holds: notes strictly
// ascending inside the range, and only finite energies.
inline void expectWellFormed(NoteEnergyView notes, const MapperParams_t& p)
{
    std::int32_t previous = p.lowNote - 1;
    for (const NoteEnergy& e : notes) {
        EXPECT_GT(e.note, previous);
        EXPECT_LE(e.note, p.highNote);
        EXPECT_TRUE(std::isfinite(e.energy)) << "note " << int{e.note} << " energy " << e.energy;
        previous = e.note;
    }
}

// Powers over many orders of magnitude: a pseudo-random floor between 1e-12
// and 1e-8 with a few strong peaks, so that quiet bands sit beside loud ones.
inline TestSpectrum unevenSpectrum(std::size_t count)
{
    TestSpectrum spectrum(count);
    std::uint32_t seed = 12345;
    for (SpectrumBin& bin : spectrum.bins) {
        seed = seed * 1664525u + 1013904223u;
        bin.power = std::pow(10.0, -12.0 + 4.0 * static_cast<double>(seed >> 8) / 16777216.0);
    }
    for (const std::size_t peak : {count / 97, count / 31, count / 7, count / 3})
        spectrum.bins[peak].power = 1.0;
    return spectrum;
}

// Energy of one note in a full-range output (nothing filtered out).
inline double energyOf(NoteEnergyView notes, std::uint8_t note)
{
    for (const NoteEnergy& e : notes)
        if (e.note == note)
            return e.energy;
    ADD_FAILURE() << "note " << int{note} << " not emitted";
    return -1.0;
}

} // namespace dravik::test
