#include "panels/PanelLayout.h"

#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace dravik {

namespace {

std::optional<std::size_t> placeIndex(std::string_view title)
{
    for (std::size_t i = 0; i < panelPlaces.size(); ++i) {
        if (title == panelPlaces[i].title)
            return i;
    }
    return std::nullopt;
}

// One axis: the panel's start within [0, display - extent], or 0 when it does
// not fit; a start that is not finite counts as 0.
float keepInside(float start, float extent, float display)
{
    if (!std::isfinite(start))
        start = 0.0f;
    return std::clamp(start, 0.0f, std::max(0.0f, display - extent));
}

} // namespace

std::optional<ImVec2> firstUsePosition(std::string_view title)
{
    const std::optional<std::size_t> index = placeIndex(title);
    if (!index)
        return std::nullopt;
    return ImVec2(panelPlaces[*index].x, panelPlaces[*index].y);
}

std::vector<std::string> panelTitles()
{
    std::vector<std::string> titles;
    for (const PanelPlace_t& place : panelPlaces)
        titles.emplace_back(place.title);
    return titles;
}

ImVec2 keepPanelInside(ImVec2 position, ImVec2 size, ImVec2 display, float titleBarHeight)
{
    if (!(display.x > 0.0f && display.y > 0.0f && std::isfinite(display.x) && std::isfinite(display.y)))
        return position;
    // At least the title bar, also for a panel whose size is not known yet.
    const float width = std::isfinite(size.x) ? std::max(size.x, titleBarHeight) : titleBarHeight;
    const float height = std::isfinite(size.y) ? std::max(size.y, titleBarHeight) : titleBarHeight;
    return ImVec2(keepInside(position.x, width, display.x), keepInside(position.y, height, display.y));
}

float panelHeightLimit(float top, float displayHeight)
{
    // A panel dragged partly off the top still gets the room from 0 down.
    const float room = displayHeight - std::max(std::isfinite(top) ? top : 0.0f, 0.0f);
    return std::max(room, minimumPanelHeight);
}

PanelLayout::PanelLayout()
    : displaySize(0.0f, 0.0f)
{
    keepInsideFrames.fill(settleFrames);
}

bool PanelLayout::begin(const char* title, ImGuiWindowFlags flags)
{
    const std::optional<std::size_t> index = placeIndex(title);
    if (!index)
        return ImGui::Begin(title, nullptr, flags);

    const ImVec2 display = ImGui::GetIO().DisplaySize;
    if (display.x != displaySize.x || display.y != displaySize.y) {
        displaySize = display;
        keepInsideFrames.fill(settleFrames);
    }
    const PanelPlace_t& place = panelPlaces[*index];
    const bool resetNow = resetPending[*index];
    if (resetNow) {
        ImGui::SetNextWindowPos(ImVec2(place.x, place.y), ImGuiCond_Always);
        ImGui::SetNextWindowCollapsed(false, ImGuiCond_Always);
        resetPending[*index] = false;
        keepInsideFrames[*index] = settleFrames;
    } else {
        ImGui::SetNextWindowPos(ImVec2(place.x, place.y), ImGuiCond_FirstUseEver);
    }
    // The panel ends at the window's bottom edge: taller content scrolls,
    // with the wheel too, instead of pushing controls out of reach.
    // While a panel settles it may be as tall as the window, and is then
    // moved up as far as it needs to be wholly inside.
    const ImGuiWindow* existing = ImGui::FindWindowByName(title);
    const float top = existing != nullptr && !resetNow ? existing->Pos.y : place.y;
    const float limit = keepInsideFrames[*index] > 0 ? display.y : panelHeightLimit(top, display.y);
    ImGui::SetNextWindowSizeConstraints(ImVec2(0.0f, 0.0f), ImVec2(FLT_MAX, std::max(limit, minimumPanelHeight)));

    const bool open = ImGui::Begin(title, nullptr, flags);
    if (keepInsideFrames[*index] > 0) {
        --keepInsideFrames[*index];
        const ImVec2 position = ImGui::GetWindowPos();
        const ImVec2 inside = keepPanelInside(position, ImGui::GetWindowSize(), display, ImGui::GetFrameHeight());
        if (inside.x != position.x || inside.y != position.y)
            ImGui::SetWindowPos(inside, ImGuiCond_Always);
    }
    return open;
}

void PanelLayout::requestReset()
{
    resetPending.fill(true);
}

} // namespace dravik
