#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "mapping/IFrequencyMapper.h"
#include "mapping/MapperParams.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dravik {

// Maps a spectrum to notes by band energies in bins: each note's energy is the
// weighted mean of the band powers around the bins nearest its fundamental and
// harmonics, then scaled down by three gates on the fundamental's own band
// energy. Notes below the record's minEnergy are left out. The work per band
// is bounded by the bins that exist, and wide bands cost O(log n) each.
class HarmonicEnergyMapper final : public IFrequencyMapper {
public:
    // Floor of the Gaussian band's sigma, in bins.
    static constexpr double minSigmaBins = 1e-6;
    // Keeps the fraction gate finite when every band is silent.
    static constexpr double fractionEpsilon = 1e-20;

    explicit HarmonicEnergyMapper(const NoteEnergyParams_t& params = {});

    NoteEnergyView map(MagnitudeSpectrum spectrum) override;

    // The gated, weighted band energy of one note.
    double noteEnergy(MagnitudeSpectrum spectrum, std::uint8_t note);

    // Power of the band around centre bin k, clipped to the existing bins:
    // the plain sum, bin by bin, that the mapping's faster paths reproduce.
    static double binBandEnergy(MagnitudeSpectrum spectrum, std::int32_t k, const BinBandParams_t& band);

    // Edited in place by the options panel; read afresh on every call.
    NoteEnergyParams_t& params() { return record; }
    const NoteEnergyParams_t& params() const { return record; }

private:
    // A band's weights, prepared once per band record and spectrum length.
    struct BandShape {
        BandType type = BandType::Box; // unknown shapes act as Box
        std::int64_t radius = 0;       // Gaussian: never below 0
        std::int64_t reach = -1;       // farthest distance read; below 0: no bin at all
        double gaussFactor = 0.0;      // 1 / (2 sigma^2)
        bool flat = false;             // a Gaussian within 1e-5 of 1 over the whole spectrum
        bool normalize = false;
        std::vector<double> byDistance; // weight at distance 0, 1, ... from the centre
    };

    // Sums over one spectrum's powers, built on the first wide band that needs them.
    struct SpectrumSums {
        MagnitudeSpectrum spectrum;
        bool treeBuilt = false;
        bool momentsBuilt = false;
        std::size_t leaves = 0;
        // Per node of a binary tree over the bins: the sum of the powers, and
        // the sums of the powers times their distance from the node's first
        // and from its last bin.
        std::vector<double> plain;
        std::vector<double> fromStart;
        std::vector<double> fromEnd;
        // Prefix sums of P_i * i^q, q = 0 .. 4.
        std::array<std::vector<double>, 5> moments;

        void buildTree();
        void buildMoments();
        template <typename NodeSum>
        double overNodes(std::int64_t first, std::int64_t last, NodeSum nodeSum) const;
        double rangeSum(std::int64_t first, std::int64_t last) const;
        // Weights rising by 1 per bin from firstWeight, or falling by 1 per bin to lastWeight.
        double risingSum(std::int64_t first, std::int64_t last, std::int64_t firstWeight) const;
        double fallingSum(std::int64_t first, std::int64_t last, std::int64_t lastWeight) const;
        double centralMoment(std::int64_t first, std::int64_t last, std::int64_t centre, int order) const;
    };

    void prepare(MagnitudeSpectrum spectrum);
    static BandShape makeShape(const BinBandParams_t& band, std::int32_t binCount);
    double preparedNoteEnergy(MagnitudeSpectrum spectrum, std::uint8_t note);
    double bandEnergy(std::int32_t k, const BandShape& shape);
    double wideBand(std::int64_t centre, std::int64_t first, std::int64_t last, const BandShape& shape);

    std::vector<NoteEnergy> output;
    NoteEnergyParams_t record;

    std::int32_t shapesBins = -1; // none prepared yet
    std::array<BinBandParams_t, 2> shapesFor{};
    BandShape fundamentalShape;
    BandShape harmonicShape;
    SpectrumSums sums;
};

} // namespace dravik
