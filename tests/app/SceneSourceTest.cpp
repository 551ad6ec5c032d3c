#include "../sound/SoundFiles.h"
#include "SceneOnWindow.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace dravik {
namespace {

using test::TemporaryFolder;
using test::writeTone;

// The scene with a sound file as its source, on a window, frame by frame.
class SceneSourceTest : public SceneOnWindow {
protected:
    SceneSourceTest()
        : SceneOnWindow("sources")
    {
    }

    // Every reader of the analysis rate names the same one.
    void expectAnalysisRate(double rate)
    {
        EXPECT_DOUBLE_EQ(scene->analysisSampleRate(), rate);
        EXPECT_DOUBLE_EQ(scene->spectrumDisplay().sampleRate, rate);
        EXPECT_DOUBLE_EQ(scene->activeMapper().params()->sampleRate, rate);
    }

    TemporaryFolder folder{"scene-sources"};
};

TEST_F(SceneSourceTest, TheAnalysisFollowsTheSourcesRate)
{
    for (const unsigned rate : {22050u, 48000u, 96000u}) {
        const std::string path = folder / ("tone" + std::to_string(rate) + ".wav");
        ASSERT_TRUE(writeTone(path, rate, 2, 1.0, {440.0}));
        ASSERT_TRUE(scene->openFile(path));
        frame();
        expectAnalysisRate(rate);
    }
    // A new mapper and a new analyser keep it.
    scene->selectMapper(MapperType::HarmonicEnergy);
    scene->selectWindowSize(1);
    expectAnalysisRate(96000.0);
    // Back to the generators: their rate, and they are heard again.
    ASSERT_TRUE(scene->selectSource(SourceKind::Generators));
    expectAnalysisRate(44100.0);
    ASSERT_TRUE(scene->setSampleRate(32000.0));
    expectAnalysisRate(32000.0);
}

TEST_F(SceneSourceTest, AFileIsAnalysedAsItPlays)
{
    const std::string path = folder / "a440.flac";
    ASSERT_TRUE(writeTone(path, 48000, 1, 3.0, {440.0}));
    ASSERT_TRUE(scene->openFile(path));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (scene->spectrumDisplay().getSpectrumLine().getVertexCount() == 0 &&
           std::chrono::steady_clock::now() < until) {
        frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GT(scene->spectrumDisplay().getSpectrumLine().getVertexCount(), 0u);
    EXPECT_GT(scene->sourceStage().file().position(), 0.0);
}

TEST_F(SceneSourceTest, BadInputKeepsTheSourceItHad)
{
    const std::string good = folder / "good.wav";
    ASSERT_TRUE(writeTone(good, 48000, 1, 1.0, {440.0}));
    ASSERT_TRUE(scene->openFile(good));
    frame();
    EXPECT_FALSE(scene->openFile(folder / "missing.wav"));
    frame();
    EXPECT_EQ(scene->sourceStage().active(), SourceKind::File);
    EXPECT_EQ(scene->sourceStage().filePath(), good);
    expectAnalysisRate(48000.0);
    EXPECT_NE(scene->sourceStage().message().find("no such file"), std::string::npos);
}

} // namespace
} // namespace dravik
