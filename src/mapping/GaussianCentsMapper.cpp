#include "mapping/GaussianCentsMapper.h"

#include "mapping/MapperSettings.h"
#include "mapping/NoteBins.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dravik {

namespace {

// exp(-x) is exactly 0 in double precision for every x above this: bins that
// far from the target add nothing to a band, whatever its cutoff.
constexpr double underflowExponent = 746.0;

struct CentsWindow {
    std::int32_t kLow;
    std::int32_t kHigh; // below kLow when no bin lies inside
    double gaussFactor; // 1 / (2 sigma^2), sigma in cents
};

// The bins a band reads around frequency, clipped to the bins that exist
// (bin 0 excepted) and to the cents where its weight is not yet exactly 0.
CentsWindow centsWindow(double frequency, const CentsBandParams_t& band, double spacing, std::int32_t n)
{
    // Negated tests so that a typed NaN takes the floor too.
    constexpr double lowest = settingOf(centsBandSettings, "cutoff_cents").typed.low;
    double cutoff = band.cutoffCents >= lowest ? band.cutoffCents : lowest;
    const double sigma =
        band.sigmaCents >= GaussianCentsMapper::minSigmaCents ? band.sigmaCents : GaussianCentsMapper::minSigmaCents;
    const double gaussFactor = 1.0 / ((sigma + sigma) * sigma);
    cutoff = std::min(cutoff, std::sqrt(underflowExponent / gaussFactor));

    const double fLow = std::pow(2.0, -cutoff / 1200.0) * frequency;
    const double fHigh = std::pow(2.0, cutoff / 1200.0) * frequency;
    // Bin 0 has no pitch: starting at bin 1 keeps log2 away from 0.
    const std::int32_t kLow = std::max(fLow > 0.0 ? nearestBin(fLow / spacing) : -1, 1);
    const std::int32_t kHigh = std::min(fHigh > 0.0 ? nearestBin(fHigh / spacing) : -1, n - 1);
    return {kLow, kHigh, gaussFactor};
}

// Weight of bin k (k >= 1) in a band around frequency.
double binWeight(std::int32_t k, double spacing, double frequency, double gaussFactor)
{
    const double fk = k * spacing;
    const double cents = 1200.0 * std::log2(fk / frequency);
    return std::exp(-(cents * cents) * gaussFactor);
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameBand(const CentsBandParams_t& a, const CentsBandParams_t& b)
{
    return sameBits(a.sigmaCents, b.sigmaCents) && sameBits(a.cutoffCents, b.cutoffCents) &&
           a.normalizeWeights == b.normalizeWeights;
}

// Whether two records give the same weights; the emission threshold is not one of them.
bool sameWeights(const GaussianCentsMapperParams_t& a, const GaussianCentsMapperParams_t& b)
{
    return sameBits(a.sampleRate, b.sampleRate) && sameBits(a.referenceFrequency, b.referenceFrequency) &&
           a.fftSize == b.fftSize && a.lowNote == b.lowNote && a.highNote == b.highNote &&
           sameBand(a.fundamentalBand, b.fundamentalBand) && sameBand(a.harmonicBands, b.harmonicBands) &&
           a.harmonicCount == b.harmonicCount && sameBits(a.fundamentalBoost, b.fundamentalBoost) &&
           a.useSquaredWeights == b.useSquaredWeights;
}

} // namespace

GaussianCentsMapper::GaussianCentsMapper(const GaussianCentsMapperParams_t& params)
    : record(params)
{
}

NoteEnergyView GaussianCentsMapper::map(MagnitudeSpectrum spectrum)
{
    const GaussianCentsMapperParams_t& p = record;
    resetNoteOutput(output, p);
    const std::int32_t n = binCount(spectrum);
    if (!(tableBins == n && sameWeights(tableRecord, p)))
        buildTable(n);

    // The runs overlap, so most bins are read by several notes: packed, the
    // powers they read take half the cache the interleaved bins would, and
    // the sums below run on whole vectors.
    for (std::uint32_t k = readLow; k < readEnd; ++k)
        powers[k] = spectrum.data[k].power;

    // 64-bit counters: a typed extreme must not overflow the loops.
    for (std::int64_t i = p.lowNote; i <= p.highNote; ++i) {
        const auto note = static_cast<std::uint8_t>(i);
        const NoteKernel& kernel = kernels[note];
        // Four partial sums: one chain of dependent additions would wait on
        // every one of them.
        double partial[4] = {0.0, 0.0, 0.0, 0.0};
        for (std::uint32_t r = kernel.firstRun; r < kernel.firstRun + kernel.runCount; ++r) {
            const WeightRun& run = runs[r];
            const double* weight = weights.data() + run.firstWeight;
            const double* power = powers.data() + run.firstBin;
            const std::size_t length = run.length;
            std::size_t k = 0;
            for (; k + 4 <= length; k += 4) {
                partial[0] += weight[k] * power[k];
                partial[1] += weight[k + 1] * power[k + 1];
                partial[2] += weight[k + 2] * power[k + 2];
                partial[3] += weight[k + 3] * power[k + 3];
            }
            for (; k < length; ++k)
                partial[k % 4] += weight[k] * power[k];
        }
        double energy = (partial[0] + partial[1]) + (partial[2] + partial[3]);
        if (kernel.partialWeightSum > 0.0)
            energy /= kernel.partialWeightSum;
        if (energy >= p.powerFilter)
            output.push_back({note, energy});
    }
    return {output.data(), output.size()};
}

// A note's energy is linear in the bin powers: the weighted sum over its
// partials of their (normalised) Gaussian bands is one weight per bin, the
// bands' weights added where they overlap. Those weights are computed here,
// once per record and spectrum length, so a frame costs one multiply-add per
// bin a note reads, and no exp or log. The energies agree with the band by
// band sums to rounding.
void GaussianCentsMapper::buildTable(std::int32_t n)
{
    const GaussianCentsMapperParams_t& p = record;
    tableRecord = p;
    tableBins = n;
    runs.clear();
    weights.clear();
    kernels.fill(NoteKernel{});
    noteWeights.assign(static_cast<std::size_t>(std::max(n, 0)), 0.0);
    powers.assign(noteWeights.size(), 0.0);
    readLow = 0;
    readEnd = 0;
    noteCovers.assign(noteWeights.size(), false);

    const double spacing = binSpacing(p.sampleRate, p.fftSize);
    const double nyquist = 0.5 * p.sampleRate;
    if (!isUsableSpacing(spacing))
        return;
    // Only 256 distinct notes exist however wide a typed range is.
    const std::int64_t last = std::min<std::int64_t>(p.highNote, std::int64_t{p.lowNote} + 255);
    for (std::int64_t i = p.lowNote; i <= last; ++i) {
        const auto note = static_cast<std::uint8_t>(i);
        const double f0 = noteFrequency(note, p.referenceFrequency);
        if (!(f0 > 0.0))
            continue;
        NoteKernel& kernel = kernels[note];
        std::int32_t low = n;
        std::int32_t high = -1;
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
            kernel.partialWeightSum += weight;
            const CentsWindow window = centsWindow(fj, band, spacing, n);
            if (window.kLow > window.kHigh)
                continue;
            // Each bin's share of its band first: weight / gsum could overflow.
            double gsum = 1.0;
            if (band.normalizeWeights) {
                gsum = 0.0;
                for (std::int32_t k = window.kLow; k <= window.kHigh; ++k)
                    gsum += binWeight(k, spacing, fj, window.gaussFactor);
            }
            for (std::int32_t k = window.kLow; k <= window.kHigh; ++k) {
                const auto bin = static_cast<std::size_t>(k);
                const double g = binWeight(k, spacing, fj, window.gaussFactor);
                noteWeights[bin] += gsum > 0.0 ? g / gsum * weight : 0.0;
                noteCovers[bin] = true;
            }
            low = std::min(low, window.kLow);
            high = std::max(high, window.kHigh);
        }
        appendRuns(kernel, low, high);
    }
    if (!runs.empty()) {
        readLow = runs.front().firstBin;
        readEnd = runs.front().firstBin + runs.front().length;
        for (const WeightRun& run : runs) {
            readLow = std::min(readLow, run.firstBin);
            readEnd = std::max(readEnd, run.firstBin + run.length);
        }
    }
}

void GaussianCentsMapper::appendRuns(NoteKernel& kernel, std::int32_t low, std::int32_t high)
{
    kernel.firstRun = static_cast<std::uint32_t>(runs.size());
    for (std::int32_t k = low; k <= high;) {
        if (!noteCovers[static_cast<std::size_t>(k)]) {
            ++k;
            continue;
        }
        WeightRun run{static_cast<std::uint32_t>(k), 0, weights.size()};
        for (; k <= high && noteCovers[static_cast<std::size_t>(k)]; ++k, ++run.length) {
            const auto bin = static_cast<std::size_t>(k);
            weights.push_back(noteWeights[bin]);
            noteWeights[bin] = 0.0;
            noteCovers[bin] = false;
        }
        runs.push_back(run);
    }
    kernel.runCount = static_cast<std::uint32_t>(runs.size()) - kernel.firstRun;
}

double GaussianCentsMapper::centsBandEnergy(MagnitudeSpectrum spectrum, double frequency,
                                            const CentsBandParams_t& band) const
{
    const double spacing = binSpacing(record.sampleRate, record.fftSize);
    if (!(frequency > 0.0) || spectrum.empty() || !isUsableSpacing(spacing))
        return 0.0;

    const CentsWindow window = centsWindow(frequency, band, spacing, binCount(spectrum));
    double acc = 0.0;
    double gsum = 0.0;
    for (std::int32_t k = window.kLow; k <= window.kHigh; ++k) {
        const double g = binWeight(k, spacing, frequency, window.gaussFactor);
        acc += g * spectrum[static_cast<std::uint64_t>(k)].power;
        gsum += g;
    }
    if (!band.normalizeWeights)
        return acc;
    return gsum > 0.0 ? acc / gsum : 0.0;
}

} // namespace dravik
