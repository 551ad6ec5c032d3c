#include "mapping/HarmonicEnergyMapper.h"

#include "mapping/NoteBins.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace dravik {

namespace {

double clampUnit(double x)
{
    if (x > 1.0)
        return 1.0;
    if (x < 0.0)
        return 0.0;
    return x;
}

} // namespace

HarmonicEnergyMapper::HarmonicEnergyMapper(const NoteEnergyParams_t& params)
    : record(params)
{
}

NoteEnergyView HarmonicEnergyMapper::map(MagnitudeSpectrum spectrum)
{
    const NoteEnergyParams_t& p = record;
    resetNoteOutput(output, p);

    // 64-bit counters: a typed extreme must not overflow the loops.
    for (std::int64_t i = p.lowNote; i <= p.highNote; ++i) {
        const auto note = static_cast<std::uint8_t>(i);
        const double energy = noteEnergy(spectrum, note);
        // Written so that a NaN energy (from a typed NaN or infinite boost) is
        // left out rather than handed to the display.
        if (energy >= p.minEnergy)
            output.push_back({note, energy});
    }
    return {output.data(), output.size()};
}

double HarmonicEnergyMapper::noteEnergy(MagnitudeSpectrum spectrum, std::uint8_t note) const
{
    const NoteEnergyParams_t& p = record;
    const double spacing = binSpacing(p.sampleRate, p.fftSize);
    if (!isUsableSpacing(spacing))
        return 0.0;
    const double nyquist = 0.5 * p.sampleRate;
    const std::int32_t n = binCount(spectrum);
    const double f0 = noteFrequency(note, p.referenceFrequency);

    double gateEnergy = 0.0;
    if (f0 > 0.0) {
        const std::int32_t k0 = nearestBin(f0 / spacing);
        if (k0 >= 0 && k0 < n)
            gateEnergy = binBandEnergy(spectrum, k0, p.fundamentalBand);
    }
    if (p.fundamentalHardGate > 0.0 && gateEnergy < p.fundamentalHardGate)
        return 0.0;

    double energy = 0.0;
    double fundamental = 0.0; // F: stays 0 when the fundamental is out of range
    double weightSum = 0.0;
    double bandSum = 0.0;
    // With f0 <= 0 every partial is at or below 0 Hz and adds nothing.
    if (f0 > 0.0) {
        for (std::int64_t j = 1; j <= p.harmonicCount; ++j) {
            const auto harmonic = static_cast<double>(j);
            const double fj = harmonic * f0;
            if (fj >= nyquist)
                break;
            const std::int32_t k = nearestBin(fj / spacing);
            if (k < 0 || k >= n)
                continue;
            double weight = p.useSquaredWeights ? 1.0 / (harmonic * harmonic) : 1.0 / harmonic;
            double u;
            if (j == 1) {
                u = binBandEnergy(spectrum, k, p.fundamentalBand);
                weight *= p.fundamentalBoost;
                fundamental = u;
            } else {
                u = binBandEnergy(spectrum, k, p.harmonicBands);
            }
            bandSum += u;
            energy += u * weight;
            weightSum += weight;
        }
    }
    if (weightSum > 0.0)
        energy /= weightSum;

    if (p.fundamentalSoftGate > 0.0)
        energy *= clampUnit(fundamental / p.fundamentalSoftGate);
    if (p.fundamentalFraction > 0.0)
        energy *= clampUnit(fundamental / (bandSum + fractionEpsilon) / p.fundamentalFraction);
    return energy;
}

double HarmonicEnergyMapper::binBandEnergy(MagnitudeSpectrum spectrum, std::int32_t k, const BinBandParams_t& band)
{
    // 64-bit bounds: a typed radius near the 32-bit limits must not overflow k ± r.
    const std::int64_t n = binCount(spectrum);
    const std::int64_t centre = k;
    const std::int64_t radius = band.bandType == BandType::Gaussian ? std::max(band.radiusBins, 0) : band.radiusBins;
    const std::int64_t first = std::max<std::int64_t>(centre - radius, 0);
    const std::int64_t last = std::min<std::int64_t>(centre + radius, n - 1);
    const auto power = [&](std::int64_t i) { return spectrum[static_cast<std::uint64_t>(i)].power; };

    double acc = 0.0;
    if (band.bandType == BandType::Triangular) {
        double weightSum = 0.0;
        for (std::int64_t i = first; i <= last; ++i) {
            const auto weight = static_cast<double>(radius - std::abs(i - centre) + 1);
            acc += weight * power(i);
            weightSum += weight;
        }
        if (!band.normalizeWeights)
            return acc;
        return first <= last ? acc / weightSum : 0.0;
    }
    if (band.bandType == BandType::Gaussian) {
        double sigma = band.autoSigma ? static_cast<double>(radius) * band.sigmaScale : band.sigmaBins;
        // Negated test so that a typed NaN takes the floor too.
        if (!(sigma >= minSigmaBins))
            sigma = minSigmaBins;
        const double gaussFactor = 1.0 / ((sigma + sigma) * sigma);
        double weightSum = 0.0;
        for (std::int64_t i = first; i <= last; ++i) {
            const auto distance = static_cast<double>(i - centre);
            const double weight = std::exp(-(distance * distance) * gaussFactor);
            acc += weight * power(i);
            weightSum += weight;
        }
        if (!band.normalizeWeights)
            return acc;
        return weightSum > 0.0 ? acc / weightSum : 0.0;
    }
    // Box, and any unknown shape.
    for (std::int64_t i = first; i <= last; ++i)
        acc += power(i);
    if (!band.normalizeWeights)
        return acc;
    return first <= last ? acc / static_cast<double>(last - first + 1) : 0.0;
}

} // namespace dravik
