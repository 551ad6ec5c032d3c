#include "mapping/HarmonicEnergyMapper.h"

#include "mapping/MapperSettings.h"
#include "mapping/NoteBins.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace dravik {

namespace {

// exp(-x) is exactly 0 in double precision for every x above this.
constexpr double underflowExponent = 746.0;
// Box, Triangular and flat Gaussian bands reading more bins than this are
// summed from the spectrum's sum tree; others read their bins one by one with
// weights computed once per shape.
constexpr std::int64_t directBandLimit = 512;
// A Gaussian whose exponent stays below this over the whole spectrum is two
// terms of its series away from 1: the third would be below 2e-16.
constexpr double flatGaussianExponent = 1e-5;

double clampUnit(double x)
{
    if (x > 1.0)
        return 1.0;
    if (x < 0.0)
        return 0.0;
    return x;
}

BandType shapeOf(BandType type)
{
    return type == BandType::Triangular || type == BandType::Gaussian ? type : BandType::Box;
}

double gaussFactorOf(const BinBandParams_t& band, std::int64_t radius)
{
    double sigma = band.autoSigma ? static_cast<double>(radius) * band.sigmaScale : band.sigmaBins;
    // Negated test so that a typed NaN takes the floor too.
    if (!(sigma >= HarmonicEnergyMapper::minSigmaBins))
        sigma = HarmonicEnergyMapper::minSigmaBins;
    return 1.0 / ((sigma + sigma) * sigma);
}

// 64-bit: a typed radius near the 32-bit limits must not overflow k +- r.
// A Gaussian band's radius is kept within its typed range's low end.
std::int64_t radiusOf(const BinBandParams_t& band)
{
    constexpr auto lowest = static_cast<std::int32_t>(settingOf(binBandSettings, "radius_bins").typed.low);
    return shapeOf(band.bandType) == BandType::Gaussian ? std::max(band.radiusBins, lowest) : band.radiusBins;
}

// Farthest distance from the centre at which a Gaussian weight is not exactly 0.
std::int64_t gaussianReach(double gaussFactor, std::int64_t limit)
{
    const double reach = std::sqrt(underflowExponent / gaussFactor);
    return reach < static_cast<double>(limit) ? static_cast<std::int64_t>(reach) + 1 : limit;
}

// Sums of d^2 and d^4 for d = 1 .. m.
double squareSum(double m)
{
    return m * (m + 1.0) * (m + m + 1.0) / 6.0;
}

double fourthPowerSum(double m)
{
    return m * (m + 1.0) * (m + m + 1.0) * (3.0 * m * m + 3.0 * m - 1.0) / 30.0;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameBand(const BinBandParams_t& a, const BinBandParams_t& b)
{
    return a.bandType == b.bandType && a.radiusBins == b.radiusBins && a.autoSigma == b.autoSigma &&
           sameBits(a.sigmaScale, b.sigmaScale) && sameBits(a.sigmaBins, b.sigmaBins) &&
           a.normalizeWeights == b.normalizeWeights;
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
    prepare(spectrum);

    // 64-bit counters: a typed extreme must not overflow the loops.
    for (std::int64_t i = p.lowNote; i <= p.highNote; ++i) {
        const auto note = static_cast<std::uint8_t>(i);
        const double energy = preparedNoteEnergy(spectrum, note);
        // Written so that a NaN energy (from a typed NaN or infinite boost) is
        // left out rather than handed to the display.
        if (energy >= p.minEnergy)
            output.push_back({note, energy});
    }
    return {output.data(), output.size()};
}

double HarmonicEnergyMapper::noteEnergy(MagnitudeSpectrum spectrum, std::uint8_t note)
{
    prepare(spectrum);
    return preparedNoteEnergy(spectrum, note);
}

void HarmonicEnergyMapper::prepare(MagnitudeSpectrum spectrum)
{
    const std::int32_t n = binCount(spectrum);
    if (n != shapesBins || !sameBand(record.fundamentalBand, shapesFor[0]) ||
        !sameBand(record.harmonicBands, shapesFor[1])) {
        shapesBins = n;
        shapesFor[0] = record.fundamentalBand;
        shapesFor[1] = record.harmonicBands;
        fundamentalShape = makeShape(record.fundamentalBand, n);
        harmonicShape = makeShape(record.harmonicBands, n);
    }
    sums.spectrum = spectrum;
    sums.treeBuilt = false;
    sums.momentsBuilt = false;
}

HarmonicEnergyMapper::BandShape HarmonicEnergyMapper::makeShape(const BinBandParams_t& band, std::int32_t n)
{
    BandShape shape;
    shape.type = shapeOf(band.bandType);
    shape.radius = radiusOf(band);
    shape.normalize = band.normalizeWeights;
    // No two existing bins lie further apart than n - 1.
    shape.reach = std::min<std::int64_t>(shape.radius, std::max(n - 1, 0));
    if (shape.type == BandType::Gaussian) {
        shape.gaussFactor = gaussFactorOf(band, shape.radius);
        shape.reach = gaussianReach(shape.gaussFactor, shape.reach);
        const double span = static_cast<double>(std::max(n - 1, 0));
        shape.flat = span * span * shape.gaussFactor <= flatGaussianExponent;
    }
    // Distances read directly: up to the limit of a direct band, and every
    // one for a Gaussian that no series shortcut covers.
    const bool everyDistance = shape.type == BandType::Gaussian && !shape.flat;
    const std::int64_t tabled = everyDistance ? shape.reach : std::min(shape.reach, directBandLimit);
    for (std::int64_t d = 0; d <= tabled; ++d) {
        const auto distance = static_cast<double>(d);
        if (shape.type == BandType::Gaussian)
            shape.byDistance.push_back(std::exp(-(distance * distance) * shape.gaussFactor));
        else if (shape.type == BandType::Triangular)
            shape.byDistance.push_back(static_cast<double>(shape.radius - d + 1));
        else
            shape.byDistance.push_back(1.0);
    }
    return shape;
}

double HarmonicEnergyMapper::preparedNoteEnergy(MagnitudeSpectrum spectrum, std::uint8_t note)
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
            gateEnergy = bandEnergy(k0, fundamentalShape);
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
            // Centres only rise with j: past the last bin no partial adds anything.
            if (k >= n)
                break;
            if (k < 0)
                continue;
            double weight = p.useSquaredWeights ? 1.0 / (harmonic * harmonic) : 1.0 / harmonic;
            double u;
            if (j == 1) {
                // The gate's band: the same centre and shape.
                u = gateEnergy;
                weight *= p.fundamentalBoost;
                fundamental = u;
            } else {
                u = bandEnergy(k, harmonicShape);
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

double HarmonicEnergyMapper::bandEnergy(std::int32_t k, const BandShape& shape)
{
    const std::int64_t n = binCount(sums.spectrum);
    const std::int64_t centre = k;
    const std::int64_t first = std::max<std::int64_t>(centre - shape.reach, 0);
    const std::int64_t last = std::min<std::int64_t>(centre + shape.reach, n - 1);
    // A negative radius, or a band that needs no bin.
    if (first > last || shape.reach < 0)
        return 0.0;

    const bool wide = last - first + 1 > directBandLimit && (shape.type != BandType::Gaussian || shape.flat);
    if (!wide) {
        double acc = 0.0;
        double weightSum = 0.0;
        for (std::int64_t i = first; i <= last; ++i) {
            const double weight = shape.byDistance[static_cast<std::size_t>(std::abs(i - centre))];
            acc += weight * sums.spectrum[static_cast<std::uint64_t>(i)].power;
            weightSum += weight;
        }
        if (!shape.normalize)
            return acc;
        if (shape.type == BandType::Box)
            return acc / static_cast<double>(last - first + 1);
        return weightSum > 0.0 ? acc / weightSum : 0.0;
    }
    return wideBand(centre, first, last, shape);
}

// Wide Box, Triangular and flat Gaussian bands in O(log n): every weight is a
// sum of non-negative node sums, so no subtraction of large totals loses the
// power of a quiet band.
double HarmonicEnergyMapper::wideBand(std::int64_t centre, std::int64_t first, std::int64_t last,
                                      const BandShape& shape)
{
    sums.buildTree();
    const auto count = static_cast<double>(last - first + 1);
    if (shape.type == BandType::Box) {
        const double acc = sums.rangeSum(first, last);
        if (!shape.normalize)
            return acc;
        return acc / count;
    }
    if (shape.type == BandType::Triangular) {
        // r + 1 - |i - k|: rising up to the centre, falling after it.
        const std::int64_t top = shape.radius + 1;
        const double acc =
            sums.risingSum(first, std::min(centre, last), top - (centre - first)) +
            (centre < last ? sums.fallingSum(std::max(centre + 1, first), last, top - (last - centre)) : 0.0);
        if (!shape.normalize)
            return acc;
        // The weights are integers: their sum is exact in 64 bits.
        const std::int64_t left = std::min(centre, last) - first + 1;
        const std::int64_t right = last - std::max(centre + 1, first) + 1;
        const std::int64_t leftTop = top - (centre - std::min(centre, last));
        std::int64_t weightSum = left * leftTop - left * (left - 1) / 2;
        if (right > 0)
            weightSum += right * (top - 1) - right * (right - 1) / 2;
        return weightSum > 0 ? acc / static_cast<double>(weightSum) : 0.0;
    }
    // exp(-d^2 f) = 1 - d^2 f + d^4 f^2 / 2 - ..., the rest below 2e-16 here.
    sums.buildMoments();
    const double f = shape.gaussFactor;
    const double plain = sums.rangeSum(first, last);
    const double second = sums.centralMoment(first, last, centre, 2);
    const double fourth = sums.centralMoment(first, last, centre, 4);
    const double acc = plain - f * second + 0.5 * f * f * fourth;
    if (!shape.normalize)
        return acc;
    const auto below = static_cast<double>(centre - first);
    const auto above = static_cast<double>(last - centre);
    const double weightSum = count - f * (squareSum(below) + squareSum(above)) +
                             0.5 * f * f * (fourthPowerSum(below) + fourthPowerSum(above));
    return weightSum > 0.0 ? acc / weightSum : 0.0;
}

void HarmonicEnergyMapper::SpectrumSums::buildTree()
{
    if (treeBuilt)
        return;
    treeBuilt = true;
    const std::size_t n = spectrum.count;
    leaves = 1;
    while (leaves < n)
        leaves *= 2;
    plain.assign(2 * leaves, 0.0);
    fromStart.assign(2 * leaves, 0.0);
    fromEnd.assign(2 * leaves, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        plain[leaves + i] = spectrum[i].power;
    // A node of width w: its children's sums, the right child's distances from
    // the node's start grown by w / 2, the left child's from its end likewise.
    std::size_t width = 1;
    for (std::size_t levelStart = leaves / 2; levelStart >= 1; levelStart /= 2, width *= 2) {
        const auto half = static_cast<double>(width);
        for (std::size_t node = levelStart; node < 2 * levelStart; ++node) {
            const std::size_t left = 2 * node;
            const std::size_t right = left + 1;
            plain[node] = plain[left] + plain[right];
            fromStart[node] = fromStart[left] + (fromStart[right] + half * plain[right]);
            fromEnd[node] = (fromEnd[left] + half * plain[left]) + fromEnd[right];
        }
    }
}

template <typename NodeSum>
double HarmonicEnergyMapper::SpectrumSums::overNodes(std::int64_t first, std::int64_t last, NodeSum nodeSum) const
{
    double acc = 0.0;
    auto low = static_cast<std::size_t>(first) + leaves;
    auto high = static_cast<std::size_t>(last) + leaves + 1;
    std::size_t width = 1;
    for (; low < high; low /= 2, high /= 2, width *= 2) {
        if (low % 2 == 1) {
            acc += nodeSum(low, low * width - leaves, width);
            ++low;
        }
        if (high % 2 == 1) {
            --high;
            acc += nodeSum(high, high * width - leaves, width);
        }
    }
    return acc;
}

double HarmonicEnergyMapper::SpectrumSums::rangeSum(std::int64_t first, std::int64_t last) const
{
    return overNodes(first, last, [&](std::size_t node, std::size_t, std::size_t) { return plain[node]; });
}

double HarmonicEnergyMapper::SpectrumSums::risingSum(std::int64_t first, std::int64_t last,
                                                     std::int64_t firstWeight) const
{
    // Weight firstWeight + (i - first): at a node starting at s, w(s) times its
    // sum plus its distances from s.
    return overNodes(first, last, [&](std::size_t node, std::size_t start, std::size_t) {
        const auto weight = static_cast<double>(firstWeight + (static_cast<std::int64_t>(start) - first));
        return weight * plain[node] + fromStart[node];
    });
}

double HarmonicEnergyMapper::SpectrumSums::fallingSum(std::int64_t first, std::int64_t last,
                                                      std::int64_t lastWeight) const
{
    // Weight lastWeight + (last - i): at a node ending at e, w(e) times its
    // sum plus its distances from e.
    return overNodes(first, last, [&](std::size_t node, std::size_t start, std::size_t width) {
        const auto end = static_cast<std::int64_t>(start + width - 1);
        const auto weight = static_cast<double>(lastWeight + (last - end));
        return weight * plain[node] + fromEnd[node];
    });
}

void HarmonicEnergyMapper::SpectrumSums::buildMoments()
{
    if (momentsBuilt)
        return;
    momentsBuilt = true;
    const std::size_t n = spectrum.count;
    for (std::vector<double>& moment : moments)
        moment.assign(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<double>(i);
        double term = spectrum[i].power;
        for (std::vector<double>& moment : moments) {
            moment[i + 1] = moment[i] + term;
            term *= x;
        }
    }
}

double HarmonicEnergyMapper::SpectrumSums::centralMoment(std::int64_t first, std::int64_t last, std::int64_t centre,
                                                         int order) const
{
    // sum (i - c)^order P_i by the binomial expansion of raw prefix moments;
    // the result only corrects a flat Gaussian's weights, so their
    // cancellation stays far below the precision of the whole.
    const auto range = [&](int q) {
        return moments[static_cast<std::size_t>(q)][static_cast<std::size_t>(last) + 1] -
               moments[static_cast<std::size_t>(q)][static_cast<std::size_t>(first)];
    };
    const auto c = static_cast<double>(centre);
    double binomial = 1.0;
    double cPower = 1.0;
    double acc = 0.0;
    for (int j = 0; j <= order; ++j) {
        acc += binomial * cPower * range(order - j) * (j % 2 == 0 ? 1.0 : -1.0);
        binomial = binomial * (order - j) / (j + 1);
        cPower *= c;
    }
    return acc;
}

double HarmonicEnergyMapper::binBandEnergy(MagnitudeSpectrum spectrum, std::int32_t k, const BinBandParams_t& band)
{
    // 64-bit bounds: a typed radius near the 32-bit limits must not overflow k ± r.
    const std::int64_t n = binCount(spectrum);
    const std::int64_t centre = k;
    const std::int64_t radius = radiusOf(band);
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
        const double gaussFactor = gaussFactorOf(band, radius);
        // Weights beyond the reach are exactly 0 and add nothing.
        const std::int64_t reach = gaussianReach(gaussFactor, radius);
        double weightSum = 0.0;
        for (std::int64_t i = std::max(first, centre - reach); i <= std::min(last, centre + reach); ++i) {
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
