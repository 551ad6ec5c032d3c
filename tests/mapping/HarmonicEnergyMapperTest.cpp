#include "mapping/HarmonicEnergyMapper.h"

#include "MappingTestSupport.h"
#include "mapping/GaussianCentsMapper.h"
#include "shared/NoteFrequency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace dravik {
namespace {

using test::TestSpectrum;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

BinBandParams_t bandOf(BandType type, std::int32_t radius, bool normalize)
{
    return {type, radius, true, 0.6, 1.2, normalize};
}

TEST(HarmonicEnergyMapper, EmptySpectrumGivesEveryNoteZero)
{
    HarmonicEnergyMapper mapper;
    const NoteEnergyView notes = mapper.map({});
    ASSERT_EQ(notes.size(), 102u);
    for (std::uint64_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(int{notes[i].note}, 12 + static_cast<int>(i));
        EXPECT_EQ(notes[i].energy, 0.0);
    }
    mapper.params().minEnergy = 1e-9;
    EXPECT_TRUE(mapper.map({}).empty());
}

TEST(HarmonicEnergyMapper, NoPartialsGiveZero)
{
    const TestSpectrum flat(test::defaultBinCount, 1.0);
    for (const std::int32_t count : {0, -3}) {
        SCOPED_TRACE(count);
        NoteEnergyParams_t p;
        p.harmonicCount = count;
        HarmonicEnergyMapper mapper(p);
        const NoteEnergyView notes = mapper.map(flat.view());
        ASSERT_EQ(notes.size(), 102u);
        for (const NoteEnergy& e : notes)
            EXPECT_EQ(e.energy, 0.0);
    }
}

TEST(HarmonicEnergyMapper, BandShapesWeighTheBinsAroundTheCentre)
{
    // An impulse `offset` bins from centre bin 100: the unnormalised result is
    // that bin's weight, the normalised one its share of the weight sum.
    struct Case {
        const char* name;
        BinBandParams_t band;
        int offset;
        double energy;
    };
    const double g1 = std::exp(-1.0 / (2 * 1.2 * 1.2));
    const double g2 = std::exp(-4.0 / (2 * 1.2 * 1.2));
    BinBandParams_t fixedSigma = bandOf(BandType::Gaussian, 2, false);
    fixedSigma.autoSigma = false;
    BinBandParams_t floorSigma = bandOf(BandType::Gaussian, 2, true);
    floorSigma.autoSigma = false;
    floorSigma.sigmaBins = 0.0;
    const Case cases[] = {
        {"box r0 centre", bandOf(BandType::Box, 0, true), 0, 1.0},
        {"box r0 neighbour", bandOf(BandType::Box, 0, true), 1, 0.0},
        {"triangular r0 centre", bandOf(BandType::Triangular, 0, true), 0, 1.0},
        {"triangular r0 neighbour", bandOf(BandType::Triangular, 0, false), -1, 0.0},
        {"gaussian r0 centre", bandOf(BandType::Gaussian, 0, false), 0, 1.0},
        {"gaussian r0 neighbour", bandOf(BandType::Gaussian, 0, true), 1, 0.0},
        {"triangular r2 -3", bandOf(BandType::Triangular, 2, false), -3, 0.0},
        {"triangular r2 -2", bandOf(BandType::Triangular, 2, false), -2, 1.0},
        {"triangular r2 -1", bandOf(BandType::Triangular, 2, false), -1, 2.0},
        {"triangular r2 0", bandOf(BandType::Triangular, 2, false), 0, 3.0},
        {"triangular r2 +1", bandOf(BandType::Triangular, 2, false), 1, 2.0},
        {"triangular r2 +2", bandOf(BandType::Triangular, 2, false), 2, 1.0},
        {"triangular r2 +3", bandOf(BandType::Triangular, 2, false), 3, 0.0},
        {"triangular r2 normalised", bandOf(BandType::Triangular, 2, true), 0, 3.0 / 9.0},
        {"box r2 edge", bandOf(BandType::Box, 2, false), 2, 1.0},
        {"box r2 outside", bandOf(BandType::Box, 2, false), -3, 0.0},
        {"box r2 normalised", bandOf(BandType::Box, 2, true), 1, 1.0 / 5.0},
        {"unknown shape is box", bandOf(static_cast<BandType>(7), 2, true), -2, 1.0 / 5.0},
        {"gaussian auto sigma 1.2, +1", bandOf(BandType::Gaussian, 2, false), 1, g1},
        {"gaussian auto sigma 1.2, -2", bandOf(BandType::Gaussian, 2, false), -2, g2},
        {"gaussian r2 outside", bandOf(BandType::Gaussian, 2, false), 3, 0.0},
        {"gaussian normalised", bandOf(BandType::Gaussian, 2, true), 0, 1.0 / (1 + 2 * g1 + 2 * g2)},
        {"gaussian sigmaBins 1.2", fixedSigma, -1, g1},
        {"gaussian sigma floor, centre", floorSigma, 0, 1.0},
        {"gaussian sigma floor, neighbour", floorSigma, 1, 0.0},
        {"negative radius, box: nothing", bandOf(BandType::Box, -2, false), 0, 0.0},
        {"negative radius, triangular: nothing", bandOf(BandType::Triangular, -2, true), 0, 0.0},
        {"negative radius, gaussian: centre", bandOf(BandType::Gaussian, -2, true), 0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestSpectrum spectrum(test::defaultBinCount);
        spectrum.set(static_cast<std::size_t>(100 + c.offset), 1.0);
        EXPECT_NEAR(HarmonicEnergyMapper::binBandEnergy(spectrum.view(), 100, c.band), c.energy, 1e-15);
    }
}

TEST(HarmonicEnergyMapper, BandsAreClippedAtTheSpectrumEnds)
{
    // Powers 1, 2, 3, ... : only the bins that exist are visited and counted.
    TestSpectrum ramp(test::defaultBinCount);
    for (std::size_t i = 0; i < ramp.bins.size(); ++i)
        ramp.set(i, static_cast<double>(i + 1));
    const MagnitudeSpectrum view = ramp.view();
    const std::int32_t last = static_cast<std::int32_t>(test::defaultBinCount) - 1;

    EXPECT_DOUBLE_EQ(HarmonicEnergyMapper::binBandEnergy(view, 0, bandOf(BandType::Box, 2, true)), 2.0);
    EXPECT_DOUBLE_EQ(HarmonicEnergyMapper::binBandEnergy(view, 0, bandOf(BandType::Triangular, 2, true)),
                     (3 * 1 + 2 * 2 + 1 * 3) / 6.0);
    EXPECT_DOUBLE_EQ(HarmonicEnergyMapper::binBandEnergy(view, last, bandOf(BandType::Box, 2, false)),
                     2049.0 + 2048.0 + 2047.0);

    // Over a flat spectrum every normalised shape reads the flat power.
    const TestSpectrum flat(test::defaultBinCount, 0.75);
    for (const BandType type : {BandType::Box, BandType::Triangular, BandType::Gaussian})
        for (const std::int32_t k : {0, 1, 100, last}) {
            SCOPED_TRACE(k);
            EXPECT_DOUBLE_EQ(HarmonicEnergyMapper::binBandEnergy(flat.view(), k, bandOf(type, 4, true)), 0.75);
        }
}

TEST(HarmonicEnergyMapper, GatesOnTheFundamental)
{
    // A4 on bin 40, its second harmonic on bin 80; single-bin bands make each
    // band energy the bin's power. Weights: 4 for the fundamental, 1/4.
    struct Case {
        const char* name;
        double fundamental;
        double second;
        double hardGate;
        double softGate;
        double fraction;
        double energy;
    };
    const double w = 4.0 + 0.25;
    const Case cases[] = {
        {"no gates: plain weighted mean", 1.0, 2.0, 0.0, 0.0, 0.0, (4.0 * 1.0 + 0.25 * 2.0) / w},
        {"hard gate 0.5 stops 0.4", 0.4, 10.0, 0.5, 0.0, 0.0, 0.0},
        {"hard gate 0.5 passes 0.5", 0.5, 10.0, 0.5, 0.0, 0.0, (4.0 * 0.5 + 0.25 * 10.0) / w},
        {"soft gate 2 halves F = 1", 1.0, 2.0, 0.0, 2.0, 0.0, 0.5 * (4.0 * 1.0 + 0.25 * 2.0) / w},
        {"soft gate 2 keeps F = 3", 3.0, 2.0, 0.0, 2.0, 0.0, (4.0 * 3.0 + 0.25 * 2.0) / w},
        {"fraction 0.2 halves a 10 % fundamental", 1.0, 9.0, 0.0, 0.0, 0.2, 0.5 * (4.0 + 0.25 * 9.0) / w},
        {"fraction 0.2 keeps a 50 % fundamental", 1.0, 1.0, 0.0, 0.0, 0.2, (4.0 + 0.25) / w},
        {"fraction gate zeroes a silent fundamental", 0.0, 5.0, 0.0, 0.0, 0.2, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NoteEnergyParams_t p;
        p.sampleRate = test::exactSampleRate;
        p.harmonicCount = 2;
        p.fundamentalBand = bandOf(BandType::Box, 0, true);
        p.harmonicBands = bandOf(BandType::Box, 0, true);
        p.fundamentalHardGate = c.hardGate;
        p.fundamentalSoftGate = c.softGate;
        p.fundamentalFraction = c.fraction;
        HarmonicEnergyMapper mapper(p);
        TestSpectrum spectrum(test::defaultBinCount);
        spectrum.set(test::a4Bin, c.fundamental).set(2 * test::a4Bin, c.second);
        EXPECT_NEAR(mapper.noteEnergy(spectrum.view(), 69), c.energy, 1e-15);
        EXPECT_NEAR(test::energyOf(mapper.map(spectrum.view()), 69), c.energy, 1e-15);
    }
}

TEST(HarmonicEnergyMapper, SecondHarmonicWithoutFundamentalIsGated)
{
    // Power only in bin 20 (215 Hz): A2 (110 Hz, centre bin 10) sees it in its
    // second harmonic's band (bins 18..22) but not in its fundamental's.
    TestSpectrum spectrum(test::defaultBinCount);
    spectrum.set(20, 1.0);
    HarmonicEnergyMapper mapper;
    EXPECT_EQ(mapper.noteEnergy(spectrum.view(), 45), 0.0);
    EXPECT_GT(mapper.noteEnergy(spectrum.view(), 57), 0.1); // A3, whose fundamental it is

    mapper.params().fundamentalFraction = 0.0;
    const double g1 = std::exp(-1.0 / (2 * 1.2 * 1.2));
    const double g2 = std::exp(-4.0 / (2 * 1.2 * 1.2));
    const double u2 = 1.0 / (1.0 + 2 * g1 + 2 * g2); // bin 20 is the band's centre
    const double weightSum = 4.0 + 1.0 / 4 + 1.0 / 9 + 1.0 / 16 + 1.0 / 25 + 1.0 / 36;
    EXPECT_NEAR(mapper.noteEnergy(spectrum.view(), 45), 0.25 * u2 / weightSum, 1e-15);
}

TEST(HarmonicEnergyMapper, PartialsBeyondTheLastBinAddNoWeight)
{
    // 100 bins at 11 Hz each (fftSize 4096 would give 2049): A4's fundamental
    // is bin 40 and its second harmonic bin 80, but harmonics 3 to 6 (bins 120
    // to 240) lie past the spectrum's end while still below Nyquist. Bins
    // below 60 hold power 1, the rest 3, so the normalised bands read 1 and 3.
    TestSpectrum spectrum(100, 1.0);
    for (std::size_t k = 60; k < 100; ++k)
        spectrum.set(k, 3.0);
    // Defaults: six partials, squared weights, boost 4; the fraction gate
    // passes (the fundamental holds 1/4 of the band sum, above 0.2).
    NoteEnergyParams_t p;
    p.sampleRate = test::exactSampleRate;
    HarmonicEnergyMapper mapper(p);
    EXPECT_NEAR(mapper.noteEnergy(spectrum.view(), 69), (4.0 * 1.0 + 0.25 * 3.0) / (4.0 + 0.25), 1e-15);

    // Unlike the cents mapper, whose band beyond the last bin is empty but
    // still weighted (here with three partials: 1/9 joins the weight sum).
    GaussianCentsMapperParams_t g;
    g.sampleRate = test::exactSampleRate;
    g.harmonicCount = 3;
    g.useSquaredWeights = true;
    g.fundamentalBoost = 4.0;
    GaussianCentsMapper cents(g);
    EXPECT_NEAR(test::energyOf(cents.map(spectrum.view()), 69), (4.0 * 1.0 + 0.25 * 3.0) / (4.0 + 0.25 + 1.0 / 9),
                1e-15);
}

TEST(HarmonicEnergyMapper, ToneOnANotesBinLandsOnThatNote)
{
    // Bin 41 (441.4 Hz) with the defaults; reference values from an
    // independent evaluation of the same arithmetic (the note ratio in 32 bits:
    // a 64-bit ratio moves note 68's energy in the 8th digit).
    HarmonicEnergyMapper mapper;
    TestSpectrum spectrum(test::defaultBinCount);
    spectrum.set(41, 1.0);
    const NoteEnergyView notes = mapper.map(spectrum.view());
    ASSERT_EQ(notes.size(), 102u);
    EXPECT_NEAR(test::energyOf(notes, 69), 0.15731029548751557, 1e-12);
    EXPECT_NEAR(test::energyOf(notes, 68), 0.11116304939554134, 1e-12);
    EXPECT_NEAR(test::energyOf(notes, 70), 0.11116304939554134, 1e-12);
    for (const NoteEnergy& e : notes) {
        if (e.note < 68 || e.note > 70) {
            EXPECT_EQ(e.energy, 0.0) << "note " << int{e.note};
        }
    }
}

TEST(HarmonicEnergyMapper, TypedExtremesStayDefined)
{
    // Values a user can type past the sliders' ranges with Ctrl+click, plus
    // an fftSize that disagrees with the spectrum's length.
    constexpr std::int32_t maxInt = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t minInt = std::numeric_limits<std::int32_t>::min();
    using Edit = std::function<void(NoteEnergyParams_t&)>;
    const std::pair<const char*, Edit> cases[] = {
        {"huge harmonic count", [](auto& p) { p.harmonicCount = maxInt; }},
        {"most negative harmonic count", [](auto& p) { p.harmonicCount = minInt; }},
        {"huge radii", [](auto& p) { p.fundamentalBand.radiusBins = p.harmonicBands.radiusBins = maxInt; }},
        {"huge triangular radii",
         [](auto& p) {
             p.fundamentalBand.radiusBins = p.harmonicBands.radiusBins = maxInt;
             p.fundamentalBand.bandType = p.harmonicBands.bandType = BandType::Triangular;
         }},
        {"most negative radii, box",
         [](auto& p) {
             p.fundamentalBand.radiusBins = p.harmonicBands.radiusBins = minInt;
             p.fundamentalBand.bandType = p.harmonicBands.bandType = BandType::Box;
         }},
        {"NaN sigma scale", [](auto& p) { p.fundamentalBand.sigmaScale = p.harmonicBands.sigmaScale = nan; }},
        {"infinite sigma scale", [](auto& p) { p.fundamentalBand.sigmaScale = p.harmonicBands.sigmaScale = inf; }},
        {"NaN sigma bins",
         [](auto& p) {
             p.fundamentalBand.autoSigma = p.harmonicBands.autoSigma = false;
             p.fundamentalBand.sigmaBins = p.harmonicBands.sigmaBins = nan;
         }},
        {"NaN boost", [](auto& p) { p.fundamentalBoost = nan; }},
        {"infinite boost", [](auto& p) { p.fundamentalBoost = inf; }},
        {"negative boost", [](auto& p) { p.fundamentalBoost = -1.0; }},
        {"NaN gates", [](auto& p) { p.fundamentalHardGate = p.fundamentalSoftGate = p.fundamentalFraction = nan; }},
        {"infinite gates",
         [](auto& p) { p.fundamentalHardGate = p.fundamentalSoftGate = p.fundamentalFraction = inf; }},
        {"tiny gates", [](auto& p) { p.fundamentalSoftGate = p.fundamentalFraction = 1e-300; }},
        {"unknown band type", [](auto& p) { p.fundamentalBand.bandType = static_cast<BandType>(200); }},
        {"fftSize 0", [](auto& p) { p.fftSize = 0; }},
        {"fftSize 1", [](auto& p) { p.fftSize = 1; }},
        {"fftSize beyond the spectrum",
         [](auto& p) {
             p.fftSize = 262144;
             p.harmonicCount = 12;
         }},
    };
    TestSpectrum spectrum(test::defaultBinCount, 1e-6);
    spectrum.set(41, 1.0).set(82, 0.25);
    for (const auto& [name, edit] : cases) {
        SCOPED_TRACE(name);
        NoteEnergyParams_t p;
        edit(p);
        HarmonicEnergyMapper mapper(p);
        test::expectWellFormed(mapper.map(spectrum.view()), p);
    }
}

// The note energy as the mapping defines it, with every band summed bin by bin.
double plainEnergy(const NoteEnergyParams_t& p, MagnitudeSpectrum spectrum, std::uint8_t note)
{
    const double spacing = p.sampleRate / p.fftSize;
    const auto n = static_cast<std::int64_t>(spectrum.count);
    const double f0 = noteFrequency(note, p.referenceFrequency);
    const auto bin = [&](double f) { return static_cast<std::int64_t>(std::lround(f / spacing)); };
    double energy = 0.0;
    double fundamental = 0.0;
    double weightSum = 0.0;
    double bandSum = 0.0;
    for (std::int64_t j = 1; j <= p.harmonicCount && j * f0 < 0.5 * p.sampleRate; ++j) {
        const std::int64_t k = bin(static_cast<double>(j) * f0);
        if (k >= n)
            continue;
        const auto h = static_cast<double>(j);
        double weight = p.useSquaredWeights ? 1.0 / (h * h) : 1.0 / h;
        const double u = HarmonicEnergyMapper::binBandEnergy(spectrum, static_cast<std::int32_t>(k),
                                                             j == 1 ? p.fundamentalBand : p.harmonicBands);
        if (j == 1) {
            weight *= p.fundamentalBoost;
            fundamental = u;
        }
        bandSum += u;
        energy += u * weight;
        weightSum += weight;
    }
    if (weightSum > 0.0)
        energy /= weightSum;
    if (p.fundamentalSoftGate > 0.0)
        energy *= std::clamp(fundamental / p.fundamentalSoftGate, 0.0, 1.0);
    if (p.fundamentalFraction > 0.0)
        energy *= std::clamp(fundamental / (bandSum + 1e-20) / p.fundamentalFraction, 0.0, 1.0);
    return energy;
}

// Wide bands are summed from a tree of partial sums or a series, narrow ones
// from weights kept per shape: every path must give the plain sums, also for
// quiet bands beside loud peaks, and follow edits between calls.
TEST(HarmonicEnergyMapper, FastBandsGiveThePlainSumsAfterEveryEdit)
{
    constexpr std::int32_t maxInt = std::numeric_limits<std::int32_t>::max();
    using Edit = std::function<void(BinBandParams_t&)>;
    const std::pair<const char*, Edit> cases[] = {
        {"defaults", [](auto&) {}},
        {"slider maxima",
         [](auto& b) {
             b.radiusBins = 12;
             b.sigmaScale = 5.0;
         }},
        {"typed radius, flat Gaussian", [](auto& b) { b.radiusBins = maxInt; }},
        {"typed radius, Gaussian of 300 bins",
         [](auto& b) {
             b.radiusBins = maxInt;
             b.autoSigma = false;
             b.sigmaBins = 300.0;
         }},
        {"typed radius, triangular",
         [](auto& b) {
             b.radiusBins = maxInt;
             b.bandType = BandType::Triangular;
         }},
        {"radius 3000, triangular, unnormalised",
         [](auto& b) {
             b.radiusBins = 3000;
             b.bandType = BandType::Triangular;
             b.normalizeWeights = false;
         }},
        {"typed radius, box",
         [](auto& b) {
             b.radiusBins = maxInt;
             b.bandType = BandType::Box;
         }},
        {"radius 2000, box, unnormalised",
         [](auto& b) {
             b.radiusBins = 2000;
             b.bandType = BandType::Box;
             b.normalizeWeights = false;
         }},
    };
    const TestSpectrum spectrum = test::unevenSpectrum(8193);
    HarmonicEnergyMapper mapper;
    for (const auto& [name, edit] : cases) {
        SCOPED_TRACE(name);
        NoteEnergyParams_t p;
        p.fftSize = 16384;
        p.harmonicCount = 12;
        p.fundamentalFraction = 0.0; // the gate would zero the notes whose fundamental is quiet
        edit(p.fundamentalBand);
        edit(p.harmonicBands);
        mapper.params() = p;
        const NoteEnergyView notes = mapper.map(spectrum.view());
        ASSERT_EQ(notes.size(), 102u);
        for (const NoteEnergy& e : notes) {
            const double expected = plainEnergy(p, spectrum.view(), e.note);
            ASSERT_NEAR(e.energy, expected, 1e-9 * expected) << "note " << int{e.note};
        }
    }
}

TEST(HarmonicEnergyMapper, UnusableBinSpacingGivesZero)
{
    NoteEnergyParams_t p;
    p.fftSize = 0;
    HarmonicEnergyMapper mapper(p);
    const NoteEnergyView notes = mapper.map(TestSpectrum(test::defaultBinCount, 1.0).view());
    ASSERT_EQ(notes.size(), 102u);
    for (const NoteEnergy& e : notes)
        EXPECT_EQ(e.energy, 0.0);
}

TEST(HarmonicEnergyMapper, NaNEnergiesAreNotEmitted)
{
    NoteEnergyParams_t p;
    p.fundamentalBoost = nan;
    HarmonicEnergyMapper mapper(p);
    EXPECT_TRUE(mapper.map(TestSpectrum(test::defaultBinCount, 1.0).view()).empty());
}

} // namespace
} // namespace dravik
