#include "mapping/GaussianCentsMapper.h"

#include "mapping/NoteBins.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace dravik {

GaussianCentsMapper::GaussianCentsMapper(const GaussianCentsMapperParams_t& params)
    : record(params)
{
}

NoteEnergyView GaussianCentsMapper::map(MagnitudeSpectrum spectrum)
{
    const GaussianCentsMapperParams_t& p = record;
    resetNoteOutput(output, p);

    const bool usable = isUsableSpacing(binSpacing(p.sampleRate, p.fftSize));
    const double nyquist = 0.5 * p.sampleRate;

    // 64-bit counters: a typed extreme must not overflow the loops.
    for (std::int64_t i = p.lowNote; i <= p.highNote; ++i) {
        const auto note = static_cast<std::uint8_t>(i);
        const double f0 = noteFrequency(note, p.referenceFrequency);
        double energy = 0.0;
        if (usable && f0 > 0.0 && p.harmonicCount >= 1) {
            double weightSum = 0.0;
            for (std::int64_t j = 1; j <= p.harmonicCount; ++j) {
                const auto harmonic = static_cast<double>(j);
                const double fj = harmonic * f0;
                if (fj >= nyquist)
                    break;
                const CentsBandParams_t& band = j == 1 ? p.fundamentalBand : p.harmonicBands;
                double weight = p.useSquaredWeights ? 1.0 / (harmonic * harmonic) : 1.0 / harmonic;
                if (j == 1)
                    weight *= p.fundamentalBoost;
                // Silent or empty bands still count in the weight sum.
                energy += centsBandEnergy(spectrum, fj, band) * weight;
                weightSum += weight;
            }
            if (weightSum > 0.0)
                energy /= weightSum;
        }
        if (energy >= p.powerFilter)
            output.push_back({note, energy});
    }
    return {output.data(), output.size()};
}

double GaussianCentsMapper::centsBandEnergy(MagnitudeSpectrum spectrum, double frequency,
                                            const CentsBandParams_t& band) const
{
    const double spacing = binSpacing(record.sampleRate, record.fftSize);
    if (!(frequency > 0.0) || spectrum.empty() || !isUsableSpacing(spacing))
        return 0.0;

    // Negated tests so that a typed NaN takes the floor too.
    const double cutoff = band.cutoffCents >= 0.0 ? band.cutoffCents : 0.0;
    const double sigma = band.sigmaCents >= minSigmaCents ? band.sigmaCents : minSigmaCents;

    const double fLow = std::pow(2.0, -cutoff / 1200.0) * frequency;
    const double fHigh = std::pow(2.0, cutoff / 1200.0) * frequency;
    const std::int32_t n = binCount(spectrum);
    const std::int32_t kLow = std::max(fLow > 0.0 ? nearestBin(fLow / spacing) : -1, 0);
    const std::int32_t kHigh = std::min(fHigh > 0.0 ? nearestBin(fHigh / spacing) : -1, n - 1);

    const double gaussFactor = 1.0 / ((sigma + sigma) * sigma);
    double acc = 0.0;
    double gsum = 0.0;
    for (std::int32_t k = kLow; k <= kHigh; ++k) {
        const double fk = k * spacing;
        // Bin 0 has no pitch: skipping it keeps log2 away from 0.
        if (!(fk > 0.0))
            continue;
        const double cents = 1200.0 * std::log2(fk / frequency);
        const double g = std::exp(-(cents * cents) * gaussFactor);
        acc += g * spectrum[static_cast<std::uint64_t>(k)].power;
        gsum += g;
    }
    if (!band.normalizeWeights)
        return acc;
    return gsum > 0.0 ? acc / gsum : 0.0;
}

} // namespace dravik
