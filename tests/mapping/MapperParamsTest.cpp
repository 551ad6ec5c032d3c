#include "mapping/MapperParams.h"
#include "mapping/MapperSettings.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

TEST(MapperParams, GaussianCentsDefaults)
{
    const GaussianCentsMapperParams_t p;
    EXPECT_EQ(p.sampleRate, 44100.0);
    EXPECT_EQ(p.referenceFrequency, 440.0);
    EXPECT_EQ(p.fftSize, 4096u);
    EXPECT_EQ(p.lowNote, 12);
    EXPECT_EQ(p.highNote, 113);
    EXPECT_EQ(p.powerFilter, 0.0);
    EXPECT_EQ(p.fundamentalBand.sigmaCents, 35.0);
    EXPECT_EQ(p.fundamentalBand.cutoffCents, 150.0);
    EXPECT_TRUE(p.fundamentalBand.normalizeWeights);
    EXPECT_EQ(p.harmonicBands.sigmaCents, 45.0);
    EXPECT_EQ(p.harmonicBands.cutoffCents, 175.0);
    EXPECT_TRUE(p.harmonicBands.normalizeWeights);
    EXPECT_EQ(p.harmonicCount, 1);
    EXPECT_EQ(p.fundamentalBoost, 1.0);
    EXPECT_FALSE(p.useSquaredWeights);
}

TEST(MapperParams, HarmonicEnergyDefaults)
{
    const NoteEnergyParams_t p;
    EXPECT_EQ(p.fftSize, 4096u);
    EXPECT_EQ(p.harmonicCount, 6);
    EXPECT_EQ(p.fundamentalBand.bandType, BandType::Gaussian);
    EXPECT_EQ(p.fundamentalBand.radiusBins, 4);
    EXPECT_TRUE(p.fundamentalBand.autoSigma);
    EXPECT_EQ(p.fundamentalBand.sigmaScale, 0.6);
    EXPECT_EQ(p.fundamentalBand.sigmaBins, 0.6);
    EXPECT_TRUE(p.fundamentalBand.normalizeWeights);
    EXPECT_EQ(p.harmonicBands.bandType, BandType::Gaussian);
    EXPECT_EQ(p.harmonicBands.radiusBins, 2);
    EXPECT_EQ(p.harmonicBands.sigmaScale, 0.6);
    EXPECT_EQ(p.harmonicBands.sigmaBins, 1.2);
    EXPECT_EQ(p.fundamentalBoost, 4.0);
    EXPECT_TRUE(p.useSquaredWeights);
    EXPECT_EQ(p.fundamentalHardGate, 0.0);
    EXPECT_EQ(p.fundamentalSoftGate, 0.0);
    // 0.2 as a 32-bit float, widened; not the 64-bit 0.2.
    EXPECT_EQ(p.fundamentalFraction, 0.20000000298023224);
    EXPECT_NE(p.fundamentalFraction, 0.2);
    EXPECT_EQ(p.minEnergy, 0.0);
}

// A user's settings (a session, the defaults) come over whole; the rate and
// window length the analysis set stay.
TEST(MapperSettings, CopyingUserSettingsKeepsTheAnalysisRateAndWindow)
{
    GaussianCentsMapperParams_t gaussianFrom;
    gaussianFrom.sampleRate = 8000.0;
    gaussianFrom.fftSize = 8192;
    gaussianFrom.referenceFrequency = 432.0;
    gaussianFrom.harmonicBands.sigmaCents = 12.0;
    GaussianCentsMapperParams_t gaussian;
    gaussian.sampleRate = 48000.0;
    gaussian.fftSize = 65536;
    copyUserSettings(gaussianFrom, gaussian);
    EXPECT_EQ(gaussian.sampleRate, 48000.0);
    EXPECT_EQ(gaussian.fftSize, 65536u);
    EXPECT_EQ(gaussian.referenceFrequency, 432.0);
    EXPECT_EQ(gaussian.harmonicBands.sigmaCents, 12.0);

    NoteEnergyParams_t energyFrom;
    energyFrom.sampleRate = 8000.0;
    energyFrom.fftSize = 8192;
    energyFrom.fundamentalBand.bandType = BandType::Box;
    energyFrom.minEnergy = 0.5;
    NoteEnergyParams_t energy;
    energy.sampleRate = 48000.0;
    energy.fftSize = 65536;
    copyUserSettings(energyFrom, energy);
    EXPECT_EQ(energy.sampleRate, 48000.0);
    EXPECT_EQ(energy.fftSize, 65536u);
    EXPECT_EQ(energy.fundamentalBand.bandType, BandType::Box);
    EXPECT_EQ(energy.minEnergy, 0.5);
}

} // namespace
} // namespace dravik
