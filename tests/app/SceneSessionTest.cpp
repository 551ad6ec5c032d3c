#include "app/SceneSession.h"
#include "SceneOnWindow.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

class SceneSessionTest : public SceneOnWindow {
protected:
    SceneSessionTest()
        : SceneOnWindow("session")
    {
    }
};

TEST_F(SceneSessionTest, ACapturedSessionRestoresIntoAFreshScene)
{
    ASSERT_TRUE(scene->sourceStage().generators().add());
    ASSERT_TRUE(scene->sourceStage().generators().add());
    scene->sourceStage().generators().remove(1);
    scene->sourceStage().generators().setEnabled(1, true);
    ASSERT_TRUE(scene->setSampleRate(22050.0));
    scene->applyFFTParams({16384, 256, 0.25f, WindowingType::Hamming});
    scene->selectMapper(MapperType::HarmonicEnergy);
    static_cast<NoteEnergyParams_t*>(scene->activeMapper().params())->harmonicCount = 9;
    scene->spectrumView().showLogGrid = false;
    scene->spectrumView().setFrequencyScale(FrequencyScale::Logarithmic);
    scene->spectrumView().setPowerScale(PowerScale::Decibels);
    scene->historyView().setSpan(30.f);
    scene->historyView().showSpectrogram = false;
    scene->setMuted(false);
    scene->trackerSettings().maxPolyphony = 3;
    frame();
    const Session_t saved = captureSession(*scene);
    const std::string text = sessionToToml(saved);

    ViewContextImpl otherContext;
    ApplicationScene fresh(otherContext);
    restoreSession(fresh, saved);
    EXPECT_EQ(sessionToToml(captureSession(fresh)), text);
    ASSERT_EQ(fresh.sourceStage().generators().entries().size(), 2u);
    EXPECT_EQ(fresh.sourceStage().generators().entries()[1].number, 3u);
    EXPECT_TRUE(fresh.sourceStage().generators().entries()[1].enabled);
    EXPECT_EQ(fresh.analyserSettings().windowSize, 16384u);
    EXPECT_EQ(fresh.activeMapper().params()->sampleRate, 22050.0);
    EXPECT_EQ(fresh.activeMapper().params()->fftSize, 16384u);
    EXPECT_EQ(fresh.spectrumDisplay().getPowerScale(), PowerScale::Decibels);
    EXPECT_EQ(fresh.historyView().getSpan(), 30.f);
    EXPECT_FALSE(fresh.historyView().showSpectrogram);
    EXPECT_EQ(fresh.analysis().trackerSettings().maxPolyphony, 3);
    EXPECT_EQ(fresh.analysis().trackerSettings().sampleRate, 22050.0) << "the analysis rate, not a saved one";
    fresh.stopSound();
}

} // namespace
} // namespace dravik
