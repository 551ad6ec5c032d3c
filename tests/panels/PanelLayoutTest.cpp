#include "panels/PanelLayout.h"

#include <imgui.h>
#include <imgui_internal.h>

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

TEST(PanelLayoutTest, FitColumnGivesRoomTopDownAndKeepsTheLeastForThoseBelow)
{
    struct Case {
        const char* what;
        std::vector<float> wanted;
        float room;
        std::vector<float> expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases{
        {"all fit", {300, 70, 160}, 669, {300, 70, 160}},
        {"the first cut to leave the least of those below", {600, 70, 160}, 669, {477, 70, 122}},
        {"the first whole, the next cut, the last its least", {300, 400, 160}, 669, {300, 273, 96}},
        {"not in the column: no room taken", {600, 0, 0, 160}, 400, {304, 0, 0, 96}},
        {"never below the least: the column overflows", {400, 400}, 100, {minimumPanelHeight, minimumPanelHeight}},
        {"a short one below the least stays whole", {400, 40}, 100, {minimumPanelHeight, 40}},
        {"not a number counts as not in the column", {nan, 500}, 300, {0, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<float> heights(c.wanted.size(), -1.0f);
        fitColumn(c.wanted.data(), heights.data(), c.wanted.size(), c.room);
        for (std::size_t i = 0; i < heights.size(); ++i)
            EXPECT_FLOAT_EQ(heights[i], c.expected[i]) << "panel " << i;
    }
}

TEST(PanelLayoutTest, EveryPanelIsInTheSideBarInOrder)
{
    const std::vector<std::string> titles = panelTitles();
    EXPECT_EQ(titles, (std::vector<std::string>{mainMenuPanel, generatorPanel, soundFilePanel, soundInputPanel}));
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

TEST_F(PanelLayoutFrameTest, PanelsStartDockedInTheSideBarAndShareItsHeight)
{
    frames(3);
    const ImGuiWindow* menu = ImGui::FindWindowByName(mainMenuPanel);
    const ImGuiWindow* generator = ImGui::FindWindowByName(generatorPanel);
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(generator, nullptr);
    // Right-aligned, at least the side bar's width, one under the other from the top.
    EXPECT_EQ(menu->Pos.x, window.x - sideBarWidth);
    EXPECT_EQ(menu->Size.x, sideBarWidth);
    EXPECT_EQ(menu->Pos.y, 0.0f);
    EXPECT_EQ(generator->Pos.x, window.x - sideBarWidth);
    EXPECT_EQ(generator->Pos.y, menu->Size.y);
    const float wholeMenu = menu->Size.y;
    EXPECT_GT(wholeMenu, 300.0f);
    EXPECT_TRUE(layout.isDocked(mainMenuPanel));

    // A side bar too short for both: the menu stays whole, the generator
    // under it is cut at the side bar's bottom and scrolls.
    layout.setSideBarBottom(500.0f);
    frames(3);
    EXPECT_EQ(menu->Size.y, wholeMenu);
    EXPECT_EQ(generator->Pos.y, wholeMenu);
    EXPECT_FLOAT_EQ(generator->Pos.y + generator->Size.y, 500.0f);
    EXPECT_GT(generator->ScrollMax.y, 0.0f);

    // A collapsed panel takes its title bar only, and gives the rest back.
    ImGui::SetWindowCollapsed(mainMenuPanel, true);
    frames(3);
    EXPECT_EQ(generator->Pos.y, menu->TitleBarHeight());
    EXPECT_EQ(generator->Size.y, wholeMenu) << "the same rows as the menu, whole";
    EXPECT_EQ(generator->ScrollMax.y, 0.0f);

    // A wider window: the side bar stays at its right edge.
    frames(3, ImVec2(1920.0f, 1080.0f));
    EXPECT_EQ(generator->Pos.x, 1920.0f - sideBarWidth);
}

TEST_F(PanelLayoutFrameTest, APanelDraggedAwayFloatsAndDocksAgainAtTheRightEdge)
{
    frames(3);
    const ImGuiWindow* menu = ImGui::FindWindowByName(mainMenuPanel);
    const ImGuiWindow* generator = ImGui::FindWindowByName(generatorPanel);
    ASSERT_NE(generator, nullptr);
    ImGuiIO& io = ImGui::GetIO();
    // Drags the generator by its title bar's right end, frame by frame, to `by`.
    const auto drag = [&](ImVec2 by) {
        ImVec2 at(generator->Pos.x + generator->Size.x - 20.0f, generator->Pos.y + 5.0f);
        io.MousePos = at;
        frame();
        io.MouseDown[0] = true;
        frame();
        for (int step = 1; step <= 4; ++step) {
            io.MousePos =
                ImVec2(at.x + by.x * static_cast<float>(step) / 4.0f, at.y + by.y * static_cast<float>(step) / 4.0f);
            frame();
        }
        io.MouseDown[0] = false;
        frames(3);
    };

    drag(ImVec2(-500.0f, 200.0f));
    EXPECT_FALSE(layout.isDocked(generatorPanel));
    EXPECT_EQ(generator->Pos.x, window.x - sideBarWidth - 500.0f);
    const float dropped = generator->Pos.y;
    frames(3);
    EXPECT_EQ(generator->Pos.y, dropped) << "it stays where it was dropped";

    // Dropped with its right edge past the window's, it docks under the menu again.
    drag(ImVec2(700.0f, 0.0f));
    EXPECT_TRUE(layout.isDocked(generatorPanel));
    EXPECT_EQ(generator->Pos.x, window.x - sideBarWidth);
    EXPECT_EQ(generator->Pos.y, menu->Size.y);

    // Dragged down along the right edge, it stays docked and goes back to its place.
    drag(ImVec2(0.0f, 150.0f));
    EXPECT_TRUE(layout.isDocked(generatorPanel));
    EXPECT_EQ(generator->Pos.y, menu->Size.y);
}

TEST_F(PanelLayoutFrameTest, SavedPlacesDockAtTheRightEdgeAndBringTheRestInside)
{
    // The menu was docked in a wider window, the generator left far off.
    const std::string saved = "[Window][dravik.smx main menu]\nPos=1520,0\nSize=400,316\n\n"
                              "[Window][Audio Generator]\nPos=-137,-60\nSize=256,316\n\n";
    ImGui::LoadIniSettingsFromMemory(saved.data(), saved.size());
    frames(3);
    EXPECT_TRUE(layout.isDocked(mainMenuPanel));
    EXPECT_EQ(positionOf(mainMenuPanel).x, window.x - sideBarWidth);
    EXPECT_FALSE(layout.isDocked(generatorPanel));
    EXPECT_EQ(positionOf(generatorPanel).x, 0.0f);
    EXPECT_EQ(positionOf(generatorPanel).y, 0.0f);

    // Once settled, a floating panel the user moves partly out at the bottom
    // stays there, until the window's size changes: then it is brought in.
    ImGui::SetWindowPos(generatorPanel, ImVec2(300.0f, 700.0f));
    frames(3);
    EXPECT_EQ(positionOf(generatorPanel).y, 700.0f);
    const ImVec2 smaller(1024.0f, 600.0f);
    frames(3, smaller);
    ImGui::GetIO().DisplaySize = smaller;
    EXPECT_TRUE(titleBarInside(generatorPanel, smaller));
    EXPECT_EQ(positionOf(generatorPanel).x, 300.0f);
    EXPECT_EQ(positionOf(mainMenuPanel).x, smaller.x - sideBarWidth);
}

TEST_F(PanelLayoutFrameTest, ResetDocksEveryPanelExpanded)
{
    const std::string saved = "[Window][dravik.smx main menu]\nPos=30,40\nSize=396,316\n\n"
                              "[Window][Audio Generator]\nPos=200,300\nSize=256,316\nCollapsed=1\n\n";
    ImGui::LoadIniSettingsFromMemory(saved.data(), saved.size());
    frames(3);
    EXPECT_EQ(positionOf(mainMenuPanel).x, 30.0f);
    EXPECT_FALSE(layout.isDocked(generatorPanel));

    layout.requestReset();
    frames(3);
    EXPECT_TRUE(layout.isDocked(mainMenuPanel));
    EXPECT_TRUE(layout.isDocked(generatorPanel));
    EXPECT_EQ(positionOf(mainMenuPanel).x, window.x - sideBarWidth);
    EXPECT_EQ(positionOf(mainMenuPanel).y, 0.0f);
    EXPECT_EQ(positionOf(generatorPanel).x, window.x - sideBarWidth);
    ImGui::NewFrame();
    ImGui::Begin(generatorPanel);
    EXPECT_FALSE(ImGui::IsWindowCollapsed());
    ImGui::End();
    ImGui::EndFrame();
}

} // namespace
} // namespace dravik
