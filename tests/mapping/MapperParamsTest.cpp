#include "mapping/MapperParams.h"

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

} // namespace
} // namespace dravik
