#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/IFrequencyMapper.h"
#include "mapping/MapperParams.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dravik {

// Maps a spectrum to notes by Gaussian weighting in cents: each note's energy
// is the weighted mean of the band powers around its fundamental and
// harmonics, weights falling off with the harmonic number. Notes below the
// record's powerFilter are left out. The bin weights are kept in a table,
// rebuilt when the record or the spectrum length differs from the one it was
// built for; bins whose weight is exactly 0 in double precision are not read
// (they add nothing, unless their power is not finite). Energies agree with
// centsBandEnergy's band by band sums to rounding.
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
    // Bins firstBin .. firstBin + length - 1, weighted by weights[firstWeight ...].
    struct WeightRun {
        std::uint32_t firstBin;
        std::uint32_t length;
        std::size_t firstWeight;
    };
    // One note's energy: the sum over its runs, over partialWeightSum when that is positive.
    struct NoteKernel {
        double partialWeightSum = 0.0;
        std::uint32_t firstRun = 0;
        std::uint32_t runCount = 0;
    };

    void buildTable(std::int32_t binCount);
    void appendRuns(NoteKernel& kernel, std::int32_t low, std::int32_t high);

    GaussianCentsMapperParams_t record;
    std::vector<NoteEnergy> output;

    GaussianCentsMapperParams_t tableRecord;
    std::int32_t tableBins = -1; // none built yet
    std::array<NoteKernel, 256> kernels{};
    std::vector<WeightRun> runs;
    std::vector<double> weights;
    std::vector<double> powers; // the spectrum's powers, packed, bins readLow .. readEnd - 1 filled
    std::uint32_t readLow = 0;
    std::uint32_t readEnd = 0;       // past the last bin any run reads
    std::vector<double> noteWeights; // one note's weights by bin while it is built
    std::vector<bool> noteCovers;
};

} // namespace dravik
