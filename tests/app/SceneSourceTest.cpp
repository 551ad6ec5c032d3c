#include "../sound/SoundFiles.h"
#include "SceneOnWindow.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

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
    selectWindowSize(1);
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

sf::Event keyPress(sf::Keyboard::Key key)
{
    sf::Event event{};
    event.type = sf::Event::KeyPressed;
    event.key.code = key;
    return event;
}

sf::Event mouseButton(sf::Event::EventType type, ImVec2 at)
{
    sf::Event event{};
    event.type = type;
    event.mouseButton.button = sf::Mouse::Left;
    event.mouseButton.x = static_cast<int>(at.x);
    event.mouseButton.y = static_cast<int>(at.y);
    return event;
}

TEST_F(SceneSourceTest, SpaceAndArrowsDriveTheFileButNotWhileTyping)
{
    const std::string path = folder / "long.wav";
    ASSERT_TRUE(writeTone(path, 8000, 1, 30.0, {440.0}));
    ASSERT_TRUE(scene->openFile(path));
    frame();
    FileSource& file = scene->sourceStage().file();
    ASSERT_TRUE(file.isPlaying());
    EXPECT_TRUE(scene->handleEvent(*window, keyPress(sf::Keyboard::Space)));
    EXPECT_FALSE(file.isPlaying());
    EXPECT_TRUE(scene->handleEvent(*window, keyPress(sf::Keyboard::Right)));
    EXPECT_TRUE(scene->handleEvent(*window, keyPress(sf::Keyboard::Right)));
    frame();
    EXPECT_NEAR(file.position(), 10.0, 0.2);
    EXPECT_TRUE(scene->handleEvent(*window, keyPress(sf::Keyboard::Left)));
    frame();
    EXPECT_NEAR(file.position(), 5.0, 0.2);

    // A click in the path field (the panel's first widget) gives it the keys.
    const ImGuiWindow* panel = ImGui::FindWindowByName("Sound File");
    ASSERT_NE(panel, nullptr);
    const ImVec2 field{panel->ContentRegionRect.Min.x + 20.0f, panel->ContentRegionRect.Min.y + 6.0f};
    // The pointer comes to the field first, as a real one does.
    sf::Event move{};
    move.type = sf::Event::MouseMoved;
    move.mouseMove.x = static_cast<int>(field.x);
    move.mouseMove.y = static_cast<int>(field.y);
    scene->handleEvent(*window, move);
    frame();
    scene->handleEvent(*window, mouseButton(sf::Event::MouseButtonPressed, field));
    frame();
    scene->handleEvent(*window, mouseButton(sf::Event::MouseButtonReleased, field));
    frame();
    ASSERT_TRUE(ImGui::GetIO().WantTextInput);
    scene->handleEvent(*window, keyPress(sf::Keyboard::Space));
    scene->handleEvent(*window, keyPress(sf::Keyboard::Right));
    frame();
    EXPECT_FALSE(file.isPlaying());
    EXPECT_NEAR(file.position(), 5.0, 0.2);
}

TEST_F(SceneSourceTest, AFailedOpenLeavesItsPathInTheField)
{
    const std::string missing = folder / "not here.wav";
    EXPECT_FALSE(scene->openFile(missing));
    frame();
    EXPECT_EQ(scene->sourceStage().shownPanel(), SourceKind::File);
    EXPECT_EQ(std::string(scene->sourcePanelState().path.data()), missing);
}

} // namespace
} // namespace dravik
