#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/IFrequencyMapper.h"
#include "mapping/MapperParams.h"

#include <vector>

namespace dravik {

// Maps a spectrum to notes by Gaussian weighting in cents: each note's energy
// is the weighted mean of the band powers around its fundamental and
// harmonics, weights falling off with the harmonic number. Notes below the
// record's powerFilter are left out.
class GaussianCentsMapper final : public IFrequencyMapper {
public:
    // 1e-6 as a 32-bit float, widened: the floor of a band's sigma in cents.
    static constexpr double minSigmaCents = static_cast<double>(1e-6f);

    explicit GaussianCentsMapper(const GaussianCentsMapperParams_t& params = {});

    NoteEnergyView map(MagnitudeSpectrum spectrum) override;

    // Gaussian-weighted power of the bins within the band's cutoff around
    // frequency (Hz); bin spacing from the record.
    double centsBandEnergy(MagnitudeSpectrum spectrum, double frequency, const CentsBandParams_t& band) const;

    // Edited in place by the options panel; read afresh on every call.
    GaussianCentsMapperParams_t& params() { return record; }
    const GaussianCentsMapperParams_t& params() const { return record; }

private:
    GaussianCentsMapperParams_t record;
    std::vector<NoteEnergy> output;
};

} // namespace dravik
