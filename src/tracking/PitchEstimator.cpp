#include "tracking/PitchEstimator.h"

#include "analysis/BinFrequency.h"
#include "shared/NoteFrequency.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

double toDb(double amplitude)
{
    return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -400.0;
}

double fromDb(double db)
{
    return std::pow(10.0, db / 20.0);
}

// Index of the peak nearest frequency within toleranceCents, or -1.
std::int32_t nearestPeak(const std::vector<SpectralPeak_t>& peaks, double frequency, double toleranceCents)
{
    const auto above = std::lower_bound(peaks.begin(), peaks.end(), frequency,
                                        [](const SpectralPeak_t& p, double f) { return p.frequency < f; });
    std::int32_t best = -1;
    double bestCents = toleranceCents;
    const auto consider = [&](std::vector<SpectralPeak_t>::const_iterator it) {
        const double cents = std::abs(1200.0 * std::log2(it->frequency / frequency));
        if (cents <= bestCents) {
            bestCents = cents;
            best = static_cast<std::int32_t>(it - peaks.begin());
        }
    };
    if (above != peaks.end())
        consider(above);
    if (above != peaks.begin())
        consider(above - 1);
    return best;
}

// The main analysis' amplitude at frequency: the larger of the two bins
// around it (the window's main lobe spans both), or fallback without one.
double mainAmplitude(MagnitudeSpectrum main, double binHz, double frequency, double fallback)
{
    if (!isUsableSpacing(binHz) || !(frequency > 0.0))
        return fallback;
    const auto k = static_cast<std::uint64_t>(frequency / binHz);
    if (k + 1 >= main.count)
        return fallback;
    return std::max(main[k].magnitude, main[k + 1].magnitude);
}

} // namespace

void PitchEstimator::findPeaks(MagnitudeSpectrum spectrum, double binHz, double minFrequency, double maxFrequency,
                               double floor, std::vector<SpectralPeak_t>& out)
{
    if (spectrum.count < 3 || !isUsableSpacing(binHz))
        return;
    const std::uint64_t last = spectrum.count - 1;
    const auto first = static_cast<std::uint64_t>(std::max(1.0, std::floor(minFrequency / binHz)));
    const auto end = static_cast<std::uint64_t>(std::min(static_cast<double>(last), std::ceil(maxFrequency / binHz)));
    for (std::uint64_t k = first; k < end; ++k) {
        const double m = spectrum[k].magnitude;
        if (m < floor || m <= spectrum[k - 1].magnitude || m < spectrum[k + 1].magnitude)
            continue;
        // Parabola through the log magnitudes of the peak and its neighbours.
        const double a = std::log(std::max(spectrum[k - 1].magnitude, 1e-300));
        const double b = std::log(m);
        const double c = std::log(std::max(spectrum[k + 1].magnitude, 1e-300));
        const double denominator = a - 2.0 * b + c;
        double offset = denominator < 0.0 ? 0.5 * (a - c) / denominator : 0.0;
        offset = std::clamp(offset, -0.5, 0.5);
        const double frequency = (static_cast<double>(k) + offset) * binHz;
        if (frequency < minFrequency || frequency >= maxFrequency)
            continue;
        out.push_back({frequency, std::exp(b - 0.25 * (a - c) * offset)});
    }
}

void PitchEstimator::findGridPeaks(ArrayView<double> lowNotes, MagnitudeSpectrum main, double binHz, double split,
                                   double floor, const NoteTrackerParams_t& params)
{
    // A note's amplitude is a peak when it is not just the leakage of a
    // louder semitone neighbour. The longer analysis tells which note sounds;
    // its level is read from the main analysis, whose shorter window follows
    // onsets and releases without the longer one's lag.
    const auto amplitudeOf = [&](std::int64_t note) {
        return note >= 0 && static_cast<std::uint64_t>(note) < lowNotes.count
                   ? lowNotes[static_cast<std::uint64_t>(note)]
                   : 0.0;
    };
    for (std::int64_t note = 0; note < static_cast<std::int64_t>(lowNotes.count); ++note) {
        const double a = amplitudeOf(note);
        const double f = noteFrequency(static_cast<std::int32_t>(note), params.referenceFrequency);
        if (a < floor || f >= split)
            continue;
        if (a < params.lowNeighbourRatio * std::max(amplitudeOf(note - 1), amplitudeOf(note + 1)))
            continue;
        // A tone leaks little two semitones away; a click or noise reads
        // about as loud there.
        if (a < 2.0 * std::max(amplitudeOf(note - 2), amplitudeOf(note + 2)))
            continue;
        peakList.push_back({f, mainAmplitude(main, binHz, f, a)});
    }
}

NoteLevelView PitchEstimator::estimate(MagnitudeSpectrum main, std::uint32_t mainWindowSize, ArrayView<double> lowNotes,
                                       const NoteTrackerParams_t& params)
{
    const std::size_t capacity = main.count + noteCount;
    if (peakList.capacity() < capacity) {
        peakList.reserve(capacity);
        residual.reserve(capacity);
    }
    if (found.capacity() < static_cast<std::size_t>(noteCount))
        found.reserve(noteCount);
    peakList.clear();
    residual.clear();
    found.clear();

    const double nyquist = 0.5 * params.sampleRate;
    const double floor = fromDb(params.peakFloorDb);
    const bool useLow = !lowNotes.empty();
    const double split = useLow ? noteFrequency(params.splitNote, params.referenceFrequency) : 0.0;
    if (useLow)
        findGridPeaks(lowNotes, main, binSpacing(params.sampleRate, mainWindowSize), split, floor, params);
    if (!main.empty())
        findPeaks(main, binSpacing(params.sampleRate, mainWindowSize), split, nyquist, floor, peakList);
    // Peaks far below the frame's loudest are side lobes and noise.
    double loudest = 0.0;
    for (const SpectralPeak_t& p : peakList)
        loudest = std::max(loudest, p.amplitude);
    const double relativePeakFloor = loudest * fromDb(params.peakRelativeFloorDb);
    for (const SpectralPeak_t& p : peakList)
        residual.push_back(p.amplitude >= relativePeakFloor ? p.amplitude : 0.0);

    const std::int32_t lowNote = std::clamp(params.lowNote, 0, noteCount - 1);
    const std::int32_t highNote = std::clamp(params.highNote, 0, noteCount - 1);
    const std::int32_t harmonics = std::clamp(params.harmonicCount, 1, maxHarmonics);
    const double tolerance = std::clamp(params.toleranceCents, 0.0, 50.0);
    for (std::int32_t n = lowNote; n <= highNote; ++n) {
        const double f0 = noteFrequency(n, params.referenceFrequency);
        for (std::int32_t h = 1; h <= harmonics; ++h) {
            const double f = f0 * h;
            partialPeak[static_cast<std::size_t>(n * maxHarmonics + h - 1)] =
                f < nyquist ? nearestPeak(peakList, f, tolerance) : -1;
        }
    }
    taken.fill(false);
    const double mainBinHz = binSpacing(params.sampleRate, mainWindowSize);
    for (std::int32_t n = 0; n < noteCount; ++n) {
        const double f = noteFrequency(n, params.referenceFrequency);
        const auto i = static_cast<std::size_t>(n);
        fundamental[i] =
            useLow && f < split && i < lowNotes.count ? lowNotes[i] : mainAmplitude(main, mainBinHz, f, 0.0);
    }

    const double relativeFloor = fromDb(params.relativeOffDb);
    const double absoluteFloor = fromDb(params.floorOffDb);
    double strongest = 0.0;
    for (std::int32_t round = 0; round < params.maxPolyphony; ++round) {
        std::int32_t best = -1;
        double bestSalience = 0.0;
        for (std::int32_t n = lowNote; n <= highNote; ++n) {
            if (taken[static_cast<std::size_t>(n)] || !hasOwnFundamental(n))
                continue;
            const double s = salience(n, harmonics, params.harmonicWeightExponent);
            if (s > bestSalience) {
                bestSalience = s;
                best = n;
            }
        }
        const bool strongSecond = best >= 0 && isLowerOctavesPartial(best, lowNote, params);
        if (strongSecond) {
            best -= 12;
            bestSalience = salience(best, harmonics, params.harmonicWeightExponent);
        }
        if (best < 0 || bestSalience < absoluteFloor || bestSalience < relativeFloor * strongest)
            break;
        strongest = std::max(strongest, bestSalience);
        taken[static_cast<std::size_t>(best)] = true;
        cancel(best, harmonics, strongSecond, params.strongSecondRatio);
        found.push_back({static_cast<std::uint8_t>(best), toDb(bestSalience), 0.0});
    }
    for (NoteLevel_t& level : found)
        level.relativeDb = level.levelDb - toDb(strongest);
    std::sort(found.begin(), found.end(), [](const NoteLevel_t& a, const NoteLevel_t& b) { return a.note < b.note; });
    return {found.data(), found.size()};
}

double PitchEstimator::salience(std::int32_t note, std::int32_t harmonics, double exponent) const
{
    double sum = 0.0;
    for (std::int32_t h = 1; h <= harmonics; ++h) {
        const std::int32_t p = partialPeak[static_cast<std::size_t>(note * maxHarmonics + h - 1)];
        if (p >= 0)
            sum += residual[static_cast<std::size_t>(p)] / std::pow(static_cast<double>(h), exponent);
    }
    return sum;
}

double PitchEstimator::partialResidual(std::int32_t note, std::int32_t h) const
{
    const std::int32_t p = partialPeak[static_cast<std::size_t>(note * maxHarmonics + h - 1)];
    return p >= 0 ? residual[static_cast<std::size_t>(p)] : 0.0;
}

bool PitchEstimator::isLowerOctavesPartial(std::int32_t note, std::int32_t lowNote,
                                           const NoteTrackerParams_t& params) const
{
    const std::int32_t lower = note - 12;
    if (lower < lowNote || taken[static_cast<std::size_t>(lower)] || params.harmonicCount < 5)
        return false;
    const double third = partialResidual(lower, 3);
    const double fifth = partialResidual(lower, 5);
    const double own = partialResidual(note, 1);
    return third > 0.0 && fifth > 0.0 && third + fifth >= params.octaveOddRatio * own &&
           fundamental[static_cast<std::size_t>(lower)] >= own * fromDb(params.octaveFundamentalDb);
}

bool PitchEstimator::hasOwnFundamental(std::int32_t note) const
{
    const std::int32_t p = partialPeak[static_cast<std::size_t>(note * maxHarmonics)];
    return p >= 0 && residual[static_cast<std::size_t>(p)] > 0.0;
}

void PitchEstimator::cancel(std::int32_t note, std::int32_t harmonics, bool strongSecond, double secondRatio)
{
    // The note's spectral envelope at each partial: the mean of the partial
    // and its two neighbours, so a partial standing far above its neighbours
    // keeps the excess as evidence of another note.
    std::array<double, maxHarmonics + 2> amplitude{};
    for (std::int32_t h = 1; h <= harmonics; ++h) {
        const std::int32_t p = partialPeak[static_cast<std::size_t>(note * maxHarmonics + h - 1)];
        amplitude[static_cast<std::size_t>(h)] = p >= 0 ? residual[static_cast<std::size_t>(p)] : 0.0;
    }
    std::array<double, maxHarmonics + 2> envelope{};
    for (std::int32_t h = 1; h <= harmonics; ++h) {
        const auto i = static_cast<std::size_t>(h);
        const double neighbours = h == 1 ? amplitude[2] : amplitude[i - 1] + amplitude[i + 1];
        envelope[i] = (amplitude[i] + neighbours) / (h == 1 ? 2.0 : 3.0);
    }
    for (std::int32_t h = 1; h <= harmonics; ++h) {
        const std::int32_t p = partialPeak[static_cast<std::size_t>(note * maxHarmonics + h - 1)];
        if (p < 0)
            continue;
        double& r = residual[static_cast<std::size_t>(p)];
        // The fundamental is the note's own: it is removed whole.
        const bool whole = h == 1 || (h == 2 && (strongSecond || amplitude[2] >= secondRatio * amplitude[1]));
        r = whole ? 0.0 : std::max(0.0, r - envelope[static_cast<std::size_t>(h)]);
    }
}

} // namespace dravik
