#pragma once

#include <imgui.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dravik {

constexpr const char* mainMenuPanel = "dravik.smx main menu";
constexpr const char* generatorPanel = "Audio Generator";
constexpr const char* soundFilePanel = "Sound File";
constexpr const char* soundInputPanel = "Sound Input";

// Where each panel first appears, and where "Reset Layout" puts it back:
// side by side below the plot, which spans world y 20 to 340. The file and
// input panels show one at a time, in the same place.
struct PanelPlace_t {
    const char* title;
    float x;
    float y;
};
constexpr std::array<PanelPlace_t, 4> panelPlaces{{
    {mainMenuPanel, 20.0f, 360.0f},
    {generatorPanel, 440.0f, 360.0f},
    {soundFilePanel, 800.0f, 360.0f},
    {soundInputPanel, 800.0f, 360.0f},
}};

std::optional<ImVec2> firstUsePosition(std::string_view title);
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

// Places the program's panels: first-use positions, "Reset Layout", and
// bringing every panel inside the window at start and whenever the window's
// size changes (a saved layout may come from a larger window).
class PanelLayout {
public:
    PanelLayout();

    // ImGui::Begin for one of panelPlaces' panels (others are begun as they
    // are), with the panel placed; the caller ends it with ImGui::End.
    bool begin(const char* title, ImGuiWindowFlags flags);
    // Every panel goes back to its first-use position, expanded, the next
    // time it is begun.
    void requestReset();

private:
    // A new or resized panel takes two frames to know its size (ImGui measures
    // the content of the first, hidden one), so it is kept inside for a few.
    static constexpr int settleFrames = 3;

    std::array<bool, panelPlaces.size()> resetPending{};
    std::array<int, panelPlaces.size()> keepInsideFrames{};
    ImVec2 displaySize;
};

} // namespace dravik
