#pragma once

#include <imgui.h>

#include <array>
#include <cfloat>
#include <cstddef>
#include <string>
#include <vector>

namespace dravik {

constexpr const char* mainMenuPanel = "dravik.smx main menu";
constexpr const char* generatorPanel = "Audio Generator";
constexpr const char* soundFilePanel = "Sound File";
constexpr const char* soundInputPanel = "Sound Input";

// The panels of the side bar, top to bottom. The file and input panels show
// one at a time, in the same place.
constexpr std::array<const char*, 4> sideBarPanels{mainMenuPanel, generatorPanel, soundFilePanel, soundInputPanel};

// The side bar runs down the window's right edge: its panels are at least
// this wide, right-aligned, and wider only when their rows need it. The
// drawing keeps the rest of the window's width.
inline constexpr float sideBarWidth = 400.0f;

// The titles of every panel, for the settings file's sanitiser.
std::vector<std::string> panelTitles();

// The top-left corner that brings a panel of `size` at `position` inside a
// display of `display`: its whole title bar (the top titleBarHeight rows) and
// as much of its body as fits, keeping the top-left corner visible when the
// panel is larger than the display. A panel already wholly inside keeps its
// exact position, and so does every panel while the display has no area.
ImVec2 keepPanelInside(ImVec2 position, ImVec2 size, ImVec2 display, float titleBarHeight);

// The tallest a panel whose top is at `top` may be in a display
// displayHeight high: down to the display's bottom edge, and never less than
// minimumPanelHeight (a title bar and a few rows), so a panel near the bottom
// stays usable.
inline constexpr float minimumPanelHeight = 96.0f;
float panelHeightLimit(float top, float displayHeight);

// Heights for panels stacked in a column `room` high, from the heights they
// want, top to bottom: each gets what it wants as far as the room allows
// while every panel under it keeps minimumPanelHeight, and never less than
// that (or all it wants if less; the column then overflows). So what a panel
// does moves only the panels under it, never itself or those above. A panel
// wanting 0 is not in the column.
void fitColumn(const float* wanted, float* heights, std::size_t count, float room);

// Places the program's panels. At first use and after "Reset Layout" every
// panel is docked in the side bar: stacked from the window's top down to the
// side bar's bottom, each as tall as its rows or, when they do not all fit,
// cut as fitColumn says and scrolled. Dragging a docked panel away leaves it
// where it is dropped; one dropped against the window's right edge (or
// pushed there) docks again. A saved layout keeps that too: a panel whose
// saved right edge reaches the window's right edge starts docked. Undocked
// panels are brought inside the window at start and whenever the window's
// size changes (a saved layout may come from a larger window), and end at
// its bottom edge.
class PanelLayout {
public:
    PanelLayout();

    // ImGui::Begin for one of sideBarPanels (others are begun as they are),
    // with the panel placed; the caller ends it with ImGui::End.
    bool begin(const char* title, ImGuiWindowFlags flags);
    // Every panel goes back to the side bar, expanded, the next time it is begun.
    void requestReset();
    // Where the side bar ends, in window pixels from the top: the window's
    // bottom edge when it is higher or nothing is set.
    void setSideBarBottom(float y) { sideBarBottom = y; }
    float getSideBarBottom() const { return sideBarBottom; }
    bool isDocked(const char* title) const;

private:
    // A new or resized panel takes two frames to know its size (ImGui measures
    // the content of the first, hidden one), so it is kept inside for a few.
    static constexpr int settleFrames = 3;
    static constexpr std::size_t panelCount = sideBarPanels.size();

    // At the frame's first panel: which panels were docked last frame and
    // what they want, and the heights they are given.
    void planColumn(ImVec2 display);
    // The first time a panel is seen: docked unless its saved place says otherwise.
    void learnDocking(std::size_t index, ImVec2 display);
    bool beginDocked(std::size_t index, ImGuiWindowFlags flags, ImVec2 display);
    bool beginFloating(std::size_t index, ImGuiWindowFlags flags, ImVec2 display);

    std::array<bool, panelCount> resetPending{};
    std::array<bool, panelCount> known{};
    std::array<bool, panelCount> docked{};
    std::array<int, panelCount> keepInsideFrames{};
    std::array<bool, panelCount> planned{};
    std::array<float, panelCount> wanted{};
    std::array<float, panelCount> given{};
    ImVec2 displaySize;
    float sideBarBottom = FLT_MAX;
    int planFrame = -1;
    float columnTop = 0.0f; // where the next docked panel of this frame starts
};

} // namespace dravik
