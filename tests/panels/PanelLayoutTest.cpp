#include "panels/PanelLayout.h"

#include <imgui.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace dravik {
namespace {

constexpr float titleBar = 19.0f;
const ImVec2 window(1280.0f, 768.0f);

TEST(PanelLayoutTest, KeepPanelInsideBringsTheTitleBarAndWhatFitsOfTheBody)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        ImVec2 position;
        ImVec2 size;
        ImVec2 display;
        ImVec2 expected;
    };
    const std::vector<Case> cases{
        {"inside stays exactly", {437.5f, 12.25f}, {300, 200}, window, {437.5f, 12.25f}},
        {"touching the far corner stays", {980, 568}, {300, 200}, window, {980, 568}},
        {"a saved far corner", {1261, 749}, {420, 330}, window, {860, 438}},
        {"negative", {-137, -60}, {140, 90}, window, {0, 0}},
        {"huge", {16384, 16384}, {140, 90}, window, {1140, 678}},
        {"far off to the left only", {-5000, 300}, {140, 90}, window, {0, 300}},
        {"window shrunk after placing at its edge", {1000, 500}, {280, 268}, {1024, 600}, {744, 332}},
        {"taller than the window: title bar at the top", {100, 300}, {200, 900}, window, {100, 0}},
        {"wider than the window: left edge shown", {500, 10}, {1500, 100}, window, {0, 10}},
        {"size not known yet counts as a title bar", {1280, 768}, {0, 0}, window, {1261, 749}},
        {"no display area: left alone", {-137, -60}, {140, 90}, {0, 0}, {-137, -60}},
        {"not finite", {nan, inf}, {nan, 90}, window, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ImVec2 kept = keepPanelInside(c.position, c.size, c.display, titleBar);
        EXPECT_EQ(kept.x, c.expected.x);
        EXPECT_EQ(kept.y, c.expected.y);
    }
}

TEST(PanelLayoutTest, EveryPanelHasAFirstUsePlaceBelowThePlot)
{
    const std::vector<std::string> titles = panelTitles();
    EXPECT_EQ(titles, (std::vector<std::string>{mainMenuPanel, generatorPanel, soundFilePanel, soundInputPanel}));
    ASSERT_TRUE(firstUsePosition(mainMenuPanel).has_value());
    EXPECT_EQ(firstUsePosition(mainMenuPanel)->x, 20.0f);
    EXPECT_EQ(firstUsePosition(mainMenuPanel)->y, 360.0f);
    EXPECT_EQ(firstUsePosition(generatorPanel)->x, 440.0f);
    EXPECT_EQ(firstUsePosition(generatorPanel)->y, 360.0f);
    EXPECT_FALSE(firstUsePosition("Debug##Default").has_value());
}

// A headless ImGui context: frames run without a window, so the layout's
// placement can be checked where ImGui itself keeps it.
class PanelLayoutFrameTest : public ::testing::Test {
protected:
    PanelLayoutFrameTest()
    {
        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = window;
        io.DeltaTime = 1.0f / 60.0f;
        unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    }
    ~PanelLayoutFrameTest() override { ImGui::DestroyContext(); }

    // One frame with both panels, each about the size of the real ones.
    void frame(ImVec2 display = window)
    {
        ImGui::GetIO().DisplaySize = display;
        ImGui::NewFrame();
        for (const char* title : {mainMenuPanel, generatorPanel}) {
            layout.begin(title, ImGuiWindowFlags_AlwaysAutoResize);
            ImGui::Dummy(ImVec2(title == mainMenuPanel ? 380.0f : 240.0f, 300.0f));
            ImGui::End();
        }
        ImGui::EndFrame();
    }

    void frames(int count, ImVec2 display = window)
    {
        for (int i = 0; i < count; ++i)
            frame(display);
    }

    static ImVec2 positionOf(const char* title)
    {
        ImVec2 position(nan, nan);
        ImGui::NewFrame();
        ImGui::Begin(title);
        position = ImGui::GetWindowPos();
        ImGui::End();
        ImGui::EndFrame();
        return position;
    }

    static bool titleBarInside(const char* title, ImVec2 display)
    {
        const ImVec2 p = positionOf(title);
        return p.x >= 0.0f && p.y >= 0.0f && p.y + titleBar <= display.y && p.x <= display.x;
    }

    static constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    PanelLayout layout;
};

TEST_F(PanelLayoutFrameTest, PanelsStartSideBySideAtTheirFirstUsePlaces)
{
    frames(3);
    EXPECT_EQ(positionOf(mainMenuPanel).x, 20.0f);
    EXPECT_EQ(positionOf(mainMenuPanel).y, 360.0f);
    EXPECT_EQ(positionOf(generatorPanel).x, 440.0f);
    EXPECT_EQ(positionOf(generatorPanel).y, 360.0f);
}

TEST_F(PanelLayoutFrameTest, SavedPlacesOutsideTheWindowAreBroughtInAndInsideOnesKept)
{
    const std::string saved = "[Window][dravik.smx main menu]\nPos=1261,749\nSize=396,316\n\n"
                              "[Window][Audio Generator]\nPos=-137,-60\nSize=256,316\n\n";
    ImGui::LoadIniSettingsFromMemory(saved.data(), saved.size());
    frames(3);
    const ImVec2 menu = positionOf(mainMenuPanel);
    const ImVec2 generator = positionOf(generatorPanel);
    EXPECT_TRUE(titleBarInside(mainMenuPanel, window));
    EXPECT_EQ(generator.x, 0.0f);
    EXPECT_EQ(generator.y, 0.0f);
    // The whole panel fits, so the whole panel is inside.
    ImGui::NewFrame();
    ImGui::Begin(mainMenuPanel);
    const ImVec2 size = ImGui::GetWindowSize();
    ImGui::End();
    ImGui::EndFrame();
    EXPECT_EQ(menu.x + size.x, window.x);
    EXPECT_EQ(menu.y + size.y, window.y);

    // Once settled, a panel the user moves partly out stays there...
    ImGui::SetWindowPos(generatorPanel, ImVec2(1200.0f, 700.0f));
    frames(3);
    EXPECT_EQ(positionOf(generatorPanel).x, 1200.0f);
    // ...until the window's size changes: then it is brought in, and a panel
    // that is inside the smaller window does not move.
    ImGui::SetWindowPos(mainMenuPanel, ImVec2(10.0f, 20.0f));
    const ImVec2 smaller(1024.0f, 600.0f);
    frames(3, smaller);
    ImGui::GetIO().DisplaySize = smaller;
    EXPECT_TRUE(titleBarInside(generatorPanel, smaller));
    EXPECT_LE(positionOf(generatorPanel).x + 256.0f, smaller.x);
    EXPECT_EQ(positionOf(mainMenuPanel).x, 10.0f);
    EXPECT_EQ(positionOf(mainMenuPanel).y, 20.0f);
}

TEST_F(PanelLayoutFrameTest, ResetPutsEveryPanelBackExpanded)
{
    frames(3);
    ImGui::SetWindowPos(mainMenuPanel, ImVec2(700.0f, 5.0f));
    ImGui::SetWindowPos(generatorPanel, ImVec2(30.0f, 40.0f));
    ImGui::SetWindowCollapsed(generatorPanel, true);
    frames(2);
    EXPECT_EQ(positionOf(mainMenuPanel).x, 700.0f);

    layout.requestReset();
    frame();
    EXPECT_EQ(positionOf(mainMenuPanel).x, 20.0f);
    EXPECT_EQ(positionOf(mainMenuPanel).y, 360.0f);
    EXPECT_EQ(positionOf(generatorPanel).x, 440.0f);
    EXPECT_EQ(positionOf(generatorPanel).y, 360.0f);
    ImGui::NewFrame();
    ImGui::Begin(generatorPanel);
    EXPECT_FALSE(ImGui::IsWindowCollapsed());
    ImGui::End();
    ImGui::EndFrame();
}

} // namespace
} // namespace dravik
