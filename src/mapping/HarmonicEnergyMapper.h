#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/IFrequencyMapper.h"
#include "mapping/MapperParams.h"

#include <cstdint>
#include <vector>

namespace dravik {

// Maps a spectrum to notes by band energies in bins: each note's energy is the
// weighted mean of the band powers around the bins nearest its fundamental and
// harmonics, then scaled down by three gates on the fundamental's own band
// energy. Notes below the record's minEnergy are left out.
class HarmonicEnergyMapper final : public IFrequencyMapper {
public:
    // Floor of the Gaussian band's sigma, in bins.
    static constexpr double minSigmaBins = 1e-6;
    // Keeps the fraction gate finite when every band is silent.
    static constexpr double fractionEpsilon = 1e-20;

    explicit HarmonicEnergyMapper(const NoteEnergyParams_t& params = {});

    NoteEnergyView map(MagnitudeSpectrum spectrum) override;

    // The gated, weighted band energy of one note.
    double noteEnergy(MagnitudeSpectrum spectrum, std::uint8_t note) const;

    // Power of the band around centre bin k, clipped to the existing bins.
    static double binBandEnergy(MagnitudeSpectrum spectrum, std::int32_t k, const BinBandParams_t& band);

    // Edited in place by the options panel; read afresh on every call.
    NoteEnergyParams_t& params() { return record; }
    const NoteEnergyParams_t& params() const { return record; }

private:
    std::vector<NoteEnergy> output;
    NoteEnergyParams_t record;
};

} // namespace dravik
