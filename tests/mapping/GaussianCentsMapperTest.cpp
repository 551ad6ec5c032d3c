#include "mapping/GaussianCentsMapper.h"

#include "MappingTestSupport.h"
#include "shared/NoteFrequency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace dravik {
namespace {

using test::TestSpectrum;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// A4 lands exactly on bin 40 and every harmonic on a bin of its own.
GaussianCentsMapperParams_t exactGrid()
{
    GaussianCentsMapperParams_t p;
    p.sampleRate = test::exactSampleRate;
    return p;
}

TEST(GaussianCentsMapper, EmptySpectrumGivesEveryNoteZero)
{
    GaussianCentsMapper mapper;
    const NoteEnergyView first = mapper.map({});
    ASSERT_EQ(first.size(), 102u);
    for (std::uint64_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(int{first[i].note}, 12 + static_cast<int>(i));
        EXPECT_EQ(first[i].energy, 0.0);
    }
    // The output array is reused: the next call hands out the same storage.
    EXPECT_EQ(mapper.map({}).data, first.data);

    mapper.params().powerFilter = 0.5;
    EXPECT_TRUE(mapper.map({}).empty());
}

TEST(GaussianCentsMapper, DefaultWindowsSearchTheDocumentedBins)
{
    // A nearly flat Gaussian over a flat spectrum, unnormalised, counts the
    // bins that the cutoff lets in.
    struct Case {
        const char* name;
        double frequency;
        double cutoffCents;
        double bins;
    };
    const Case cases[] = {
        {"A4, 150 cents: bins 37..45", 440.0, 150.0, 9},
        {"C0, 150 cents: bins 1..2", 16.351597831287414, 150.0, 2},
        {"cutoff 0: nearest bin only", 440.0, 0.0, 1},
        {"negative cutoff acts as 0", 440.0, -50.0, 1},
        {"typed NaN cutoff acts as 0", 440.0, nan, 1},
        {"nearest bin is DC: nothing", 3.0, 0.0, 0},
        {"infinite cutoff: every bin but DC", 440.0, inf, 2048},
        {"clipped at Nyquist: bins 1874..2048", 22000.0, 150.0, 175},
        {"non-positive target", 0.0, 150.0, 0},
    };
    GaussianCentsMapper mapper;
    const TestSpectrum flat(test::defaultBinCount, 1.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CentsBandParams_t band{1e9, c.cutoffCents, false};
        EXPECT_NEAR(mapper.centsBandEnergy(flat.view(), c.frequency, band), c.bins, 1e-6);
    }
}

TEST(GaussianCentsMapper, WeightIsGaussianInCents)
{
    // One powered bin at exactly 440 Hz, read from targets a given number of
    // cents away: the unnormalised band energy is the weight itself.
    GaussianCentsMapper mapper(exactGrid());
    TestSpectrum spectrum(test::defaultBinCount);
    spectrum.set(test::a4Bin, 1.0);
    const CentsBandParams_t band{35.0, 200.0, false};
    for (const double cents : {0.0, 17.5, 35.0, -35.0, 70.0, 105.0}) {
        SCOPED_TRACE(cents);
        const double target = 440.0 * std::pow(2.0, -cents / 1200.0);
        const double sigmas = cents / 35.0;
        EXPECT_NEAR(mapper.centsBandEnergy(spectrum.view(), target, band), std::exp(-0.5 * sigmas * sigmas), 1e-12);
    }
}

TEST(GaussianCentsMapper, SigmaBelowTheFloorReadsOnlyAnExactBin)
{
    EXPECT_EQ(GaussianCentsMapper::minSigmaCents, 9.999999974752427e-7);

    GaussianCentsMapper mapper(exactGrid());
    TestSpectrum spectrum(test::defaultBinCount, 0.0);
    spectrum.set(test::a4Bin, 5.0).set(test::a4Bin + 1, 7.0);
    for (const double sigma : {0.0, -3.0, nan}) {
        SCOPED_TRACE(sigma);
        const CentsBandParams_t band{sigma, 150.0, true};
        EXPECT_EQ(mapper.centsBandEnergy(spectrum.view(), 440.0, band), 5.0);
        // Off every bin, all weights underflow: gsum is 0 and so is the energy.
        EXPECT_EQ(mapper.centsBandEnergy(spectrum.view(), 445.5, band), 0.0);
    }
}

TEST(GaussianCentsMapper, HarmonicWeightsFormTheMean)
{
    // A4 on bin 40, harmonics on bins 80, 120; a floor sigma makes each band
    // read exactly its own bin.
    struct Case {
        const char* name;
        std::size_t poweredBin;
        std::int32_t harmonicCount;
        bool squared;
        double boost;
        double energy;
    };
    const Case cases[] = {
        {"fundamental alone", 40, 1, false, 1.0, 1.0},
        {"silent harmonics count in W", 40, 3, false, 1.0, 1.0 / (1.0 + 1.0 / 2 + 1.0 / 3)},
        {"squared weights", 40, 3, true, 1.0, 1.0 / (1.0 + 1.0 / 4 + 1.0 / 9)},
        {"boosted fundamental", 40, 3, false, 2.0, 2.0 / (2.0 + 1.0 / 2 + 1.0 / 3)},
        {"second harmonic alone", 80, 2, false, 1.0, (1.0 / 2) / (1.0 + 1.0 / 2)},
        {"no harmonics", 40, 0, false, 1.0, 0.0},
        {"negative count", 40, -4, false, 1.0, 0.0},
        {"zero boost: W is 0", 40, 1, false, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GaussianCentsMapperParams_t p = exactGrid();
        p.fundamentalBand.sigmaCents = 0.0;
        p.harmonicBands.sigmaCents = 0.0;
        p.harmonicCount = c.harmonicCount;
        p.useSquaredWeights = c.squared;
        p.fundamentalBoost = c.boost;
        GaussianCentsMapper mapper(p);
        TestSpectrum spectrum(test::defaultBinCount);
        spectrum.set(c.poweredBin, 1.0);
        EXPECT_NEAR(test::energyOf(mapper.map(spectrum.view()), 69), c.energy, 1e-15);
    }
}

TEST(GaussianCentsMapper, FundamentalAtNyquistGetsZero)
{
    GaussianCentsMapperParams_t p;
    p.sampleRate = 8000.0;
    p.harmonicCount = 3;
    GaussianCentsMapper mapper(p);
    const TestSpectrum flat(test::defaultBinCount, 1.0);
    const NoteEnergyView notes = mapper.map(flat.view());
    EXPECT_DOUBLE_EQ(test::energyOf(notes, 107), 1.0); // 3951 Hz
    EXPECT_EQ(test::energyOf(notes, 108), 0.0);        // 4186 Hz, above 4000
}

TEST(GaussianCentsMapper, PowerFilterKeepsNotesAtTheThreshold)
{
    // Over a flat spectrum every normalised mean is the bin power, to rounding.
    GaussianCentsMapperParams_t p;
    p.powerFilter = 0.5 * (1.0 - 1e-12);
    p.harmonicCount = 3;
    GaussianCentsMapper mapper(p);
    const TestSpectrum flat(test::defaultBinCount, 0.5);
    EXPECT_EQ(mapper.map(flat.view()).size(), 102u);
    EXPECT_EQ(mapper.map(TestSpectrum(test::defaultBinCount, 0.4999).view()).size(), 0u);

    // A note exactly at the threshold is kept; one just below it is not.
    mapper.params().powerFilter = 0.0;
    const double energy = test::energyOf(mapper.map(flat.view()), 69);
    mapper.params().powerFilter = energy;
    EXPECT_NE(test::energyOf(mapper.map(flat.view()), 69), -1.0);
    mapper.params().powerFilter = std::nextafter(energy, 1.0);
    for (const NoteEnergy& e : mapper.map(flat.view()))
        EXPECT_NE(int{e.note}, 69);
}

TEST(GaussianCentsMapper, ToneOnANotesBinLandsOnThatNote)
{
    // Bin 41 (441.4 Hz) with the defaults; reference values from an
    // independent evaluation of the same arithmetic (the note ratio in 32 bits:
    // a 64-bit ratio moves note 68's energy in the 8th digit).
    GaussianCentsMapper mapper;
    TestSpectrum spectrum(test::defaultBinCount);
    spectrum.set(41, 1.0);
    const NoteEnergyView notes = mapper.map(spectrum.view());
    ASSERT_EQ(notes.size(), 102u);
    EXPECT_NEAR(test::energyOf(notes, 69), 0.47658128551562856, 1e-12);
    EXPECT_NEAR(test::energyOf(notes, 68), 0.005387069688514382, 1e-12);
    EXPECT_NEAR(test::energyOf(notes, 70), 0.012013265709865668, 1e-12);
    for (const NoteEnergy& e : notes) {
        if (e.note < 68 || e.note > 70) {
            EXPECT_EQ(e.energy, 0.0) << "note " << int{e.note};
        }
    }
}

TEST(GaussianCentsMapper, TypedExtremesStayDefined)
{
    // Values a user can type past the sliders' ranges with Ctrl+click, plus
    // an fftSize that disagrees with the spectrum's length.
    using Edit = std::function<void(GaussianCentsMapperParams_t&)>;
    const std::pair<const char*, Edit> cases[] = {
        {"huge harmonic count", [](auto& p) { p.harmonicCount = std::numeric_limits<std::int32_t>::max(); }},
        {"negative harmonic count", [](auto& p) { p.harmonicCount = std::numeric_limits<std::int32_t>::min(); }},
        {"infinite cutoffs",
         [](auto& p) {
             p.fundamentalBand.cutoffCents = p.harmonicBands.cutoffCents = inf;
             p.harmonicCount = 3;
         }},
        {"NaN cutoffs",
         [](auto& p) {
             p.fundamentalBand.cutoffCents = p.harmonicBands.cutoffCents = nan;
             p.harmonicCount = 3;
         }},
        {"negative sigmas", [](auto& p) { p.fundamentalBand.sigmaCents = p.harmonicBands.sigmaCents = -100.0; }},
        {"infinite sigmas", [](auto& p) { p.fundamentalBand.sigmaCents = p.harmonicBands.sigmaCents = inf; }},
        {"NaN boost", [](auto& p) { p.fundamentalBoost = nan; }},
        {"infinite boost", [](auto& p) { p.fundamentalBoost = inf; }},
        {"NaN power filter", [](auto& p) { p.powerFilter = nan; }},
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
        GaussianCentsMapperParams_t p;
        edit(p);
        GaussianCentsMapper mapper(p);
        test::expectWellFormed(mapper.map(spectrum.view()), p);
    }
}

// The note energy as the mapping defines it, band by band.
double plainEnergy(const GaussianCentsMapper& mapper, MagnitudeSpectrum spectrum, std::uint8_t note)
{
    const GaussianCentsMapperParams_t& p = mapper.params();
    const double f0 = noteFrequency(note, p.referenceFrequency);
    if (!(f0 > 0.0) || p.harmonicCount < 1 || !(p.sampleRate / p.fftSize > 0.0))
        return 0.0;
    double energy = 0.0;
    double weightSum = 0.0;
    for (std::int64_t j = 1; j <= p.harmonicCount && j * f0 < 0.5 * p.sampleRate; ++j) {
        const auto h = static_cast<double>(j);
        double weight = p.useSquaredWeights ? 1.0 / (h * h) : 1.0 / h;
        if (j == 1)
            weight *= p.fundamentalBoost;
        energy += mapper.centsBandEnergy(spectrum, h * f0, j == 1 ? p.fundamentalBand : p.harmonicBands) * weight;
        weightSum += weight;
    }
    return weightSum > 0.0 ? energy / weightSum : energy;
}

// The mapper keeps its weights in a table: edits and a new spectrum length
// must rebuild it, and its sums must equal the band by band ones to rounding.
TEST(GaussianCentsMapper, KeptWeightsGiveThePlainSumsAfterEveryEdit)
{
    using Edit = std::function<void(GaussianCentsMapperParams_t&)>;
    const std::pair<const char*, Edit> cases[] = {
        {"defaults", [](auto&) {}},
        {"slider maxima",
         [](auto& p) {
             p.harmonicCount = 12;
             p.fundamentalBand.cutoffCents = p.harmonicBands.cutoffCents = 200.0;
             p.fundamentalBoost = 8.0;
         }},
        {"squared weights, unnormalised",
         [](auto& p) {
             p.useSquaredWeights = true;
             p.harmonicBands.normalizeWeights = false;
         }},
        {"narrow sigma", [](auto& p) { p.fundamentalBand.sigmaCents = p.harmonicBands.sigmaCents = 20.0; }},
        {"infinite cutoffs, many harmonics",
         [](auto& p) {
             p.fundamentalBand.cutoffCents = p.harmonicBands.cutoffCents = inf;
             p.harmonicCount = 40;
         }},
        {"other reference and rate",
         [](auto& p) {
             p.referenceFrequency = 415.0;
             p.sampleRate = 48000.0;
         }},
    };
    GaussianCentsMapper mapper;
    for (const std::uint32_t fftSize : {8192u, 4096u}) {
        const TestSpectrum spectrum = test::unevenSpectrum(fftSize / 2 + 1);
        for (const auto& [name, edit] : cases) {
            SCOPED_TRACE(::testing::Message() << name << ", " << fftSize);
            GaussianCentsMapperParams_t p;
            p.fftSize = fftSize;
            edit(p);
            mapper.params() = p;
            const NoteEnergyView notes = mapper.map(spectrum.view());
            ASSERT_EQ(notes.size(), 102u);
            for (const NoteEnergy& e : notes) {
                const double expected = plainEnergy(mapper, spectrum.view(), e.note);
                ASSERT_NEAR(e.energy, expected, 1e-12 * expected) << "note " << int{e.note};
            }
        }
    }
}

TEST(GaussianCentsMapper, UnusableBinSpacingGivesZero)
{
    GaussianCentsMapperParams_t p;
    p.fftSize = 0;
    GaussianCentsMapper mapper(p);
    for (const NoteEnergy& e : mapper.map(TestSpectrum(test::defaultBinCount, 1.0).view()))
        EXPECT_EQ(e.energy, 0.0);
}

} // namespace
} // namespace dravik
