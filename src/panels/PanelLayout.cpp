#include "panels/PanelLayout.h"

#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

namespace dravik {

namespace {

std::optional<std::size_t> panelIndex(std::string_view title)
{
    for (std::size_t i = 0; i < sideBarPanels.size(); ++i) {
        if (title == sideBarPanels[i])
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

// Whether a panel spanning [left, left + width) reaches the display's right
// edge: that is where docked panels sit, and where a dropped one docks.
bool reachesRightEdge(float left, float width, float displayWidth)
{
    return left + width >= displayWidth - 1.0f;
}

// The height a panel's rows take, its title bar and padding included, as
// ImGui measured them at the last frame; a title bar for a collapsed panel.
float wantedHeight(ImGuiWindow* window)
{
    if (window->Collapsed)
        return window->TitleBarHeight();
    return ImGui::CalcWindowNextAutoFitSize(window).y;
}

// The panel the user is dragging now, if it is this one.
bool isBeingMoved(const ImGuiWindow* window)
{
    const ImGuiWindow* moving = GImGui->MovingWindow;
    return window != nullptr && moving != nullptr && moving->RootWindow == window;
}

} // namespace

std::vector<std::string> panelTitles()
{
    return {sideBarPanels.begin(), sideBarPanels.end()};
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

void fitColumn(const float* wanted, float* heights, std::size_t count, float room)
{
    // Every panel under one keeps minimumPanelHeight, whatever it wants, so
    // that a panel growing or shrinking leaves the panels above it alone.
    std::size_t below = 0;
    for (std::size_t i = 0; i < count; ++i) {
        heights[i] = wanted[i] > 0.0f ? wanted[i] : 0.0f; // NaN too
        below += heights[i] > 0.0f ? 1 : 0;
    }
    float top = 0.0f;
    for (std::size_t i = 0; i < count; ++i) {
        const float want = heights[i];
        if (want <= 0.0f)
            continue;
        --below;
        const float reserve = static_cast<float>(below) * minimumPanelHeight;
        heights[i] = std::max(std::min(want, room - top - reserve), std::min(want, minimumPanelHeight));
        top += heights[i];
    }
}

PanelLayout::PanelLayout()
    : displaySize(0.0f, 0.0f)
{
    keepInsideFrames.fill(settleFrames);
}

bool PanelLayout::isDocked(const char* title) const
{
    const std::optional<std::size_t> index = panelIndex(title);
    return index && known[*index] && docked[*index];
}

void PanelLayout::learnDocking(std::size_t index, ImVec2 display)
{
    if (known[index])
        return;
    known[index] = true;
    const ImGuiWindowSettings* saved = ImGui::FindWindowSettings(ImHashStr(sideBarPanels[index]));
    docked[index] =
        saved == nullptr || reachesRightEdge(saved->Pos.x, saved->Size.x > 0 ? saved->Size.x : sideBarWidth, display.x);
}

void PanelLayout::planColumn(ImVec2 display)
{
    for (std::size_t i = 0; i < panelCount; ++i) {
        learnDocking(i, display);
        ImGuiWindow* window = ImGui::FindWindowByName(sideBarPanels[i]);
        planned[i] = docked[i] && !resetPending[i] && window != nullptr && window->WasActive;
        wanted[i] = planned[i] ? wantedHeight(window) : 0.0f;
    }
    fitColumn(wanted.data(), given.data(), panelCount, std::min(sideBarBottom, display.y));
    columnTop = 0.0f;
}

bool PanelLayout::begin(const char* title, ImGuiWindowFlags flags)
{
    const std::optional<std::size_t> index = panelIndex(title);
    if (!index)
        return ImGui::Begin(title, nullptr, flags);

    const ImVec2 display = ImGui::GetIO().DisplaySize;
    if (display.x != displaySize.x || display.y != displaySize.y) {
        displaySize = display;
        keepInsideFrames.fill(settleFrames);
    }
    if (ImGui::GetFrameCount() != planFrame) {
        planFrame = ImGui::GetFrameCount();
        planColumn(display);
    }
    learnDocking(*index, display);
    if (resetPending[*index]) {
        resetPending[*index] = false;
        docked[*index] = true;
        ImGui::SetNextWindowCollapsed(false, ImGuiCond_Always);
    }
    return docked[*index] ? beginDocked(*index, flags, display) : beginFloating(*index, flags, display);
}

bool PanelLayout::beginDocked(std::size_t index, ImGuiWindowFlags flags, ImVec2 display)
{
    const bool moving = isBeingMoved(ImGui::FindWindowByName(sideBarPanels[index]));
    const float room = std::min(sideBarBottom, display.y);
    const float top = columnTop;
    // A panel new to the column (just shown) takes what is left of it.
    const float height = planned[index] ? given[index] : std::max(room - top, minimumPanelHeight);
    // Right-aligned with its top here, once ImGui knows its width this frame;
    // left where the user drags it.
    if (!moving)
        ImGui::SetNextWindowPos(ImVec2(display.x, top), ImGuiCond_Always, ImVec2(1.0f, 0.0f));
    ImGui::SetNextWindowSizeConstraints(ImVec2(std::min(sideBarWidth, display.x), 0.0f),
                                        ImVec2(FLT_MAX, std::max(height, minimumPanelHeight)));
    const bool open = ImGui::Begin(sideBarPanels[index], nullptr, flags);
    const ImVec2 position = ImGui::GetWindowPos();
    const ImVec2 size = ImGui::GetWindowSize();
    columnTop = top + size.y;
    // Dragged away from the right edge, it stays where it is dropped.
    if (moving && !reachesRightEdge(position.x, size.x, display.x)) {
        docked[index] = false;
        keepInsideFrames[index] = 0;
    }
    return open;
}

bool PanelLayout::beginFloating(std::size_t index, ImGuiWindowFlags flags, ImVec2 display)
{
    // The panel ends at the window's bottom edge: taller content scrolls,
    // with the wheel too, instead of pushing controls out of reach.
    // While a panel settles it may be as tall as the window, and is then
    // moved up as far as it needs to be wholly inside.
    const ImGuiWindow* existing = ImGui::FindWindowByName(sideBarPanels[index]);
    const bool moving = isBeingMoved(existing);
    const float top = existing != nullptr ? existing->Pos.y : 0.0f;
    const float limit = keepInsideFrames[index] > 0 ? display.y : panelHeightLimit(top, display.y);
    ImGui::SetNextWindowSizeConstraints(ImVec2(0.0f, 0.0f), ImVec2(FLT_MAX, std::max(limit, minimumPanelHeight)));

    const bool open = ImGui::Begin(sideBarPanels[index], nullptr, flags);
    if (keepInsideFrames[index] > 0) {
        --keepInsideFrames[index];
        const ImVec2 position = ImGui::GetWindowPos();
        const ImVec2 inside = keepPanelInside(position, ImGui::GetWindowSize(), display, ImGui::GetFrameHeight());
        if (inside.x != position.x || inside.y != position.y)
            ImGui::SetWindowPos(inside, ImGuiCond_Always);
    }
    // Dropped against the right edge (or pushed there), it docks again.
    if (!moving && reachesRightEdge(ImGui::GetWindowPos().x, ImGui::GetWindowSize().x, display.x))
        docked[index] = true;
    return open;
}

void PanelLayout::requestReset()
{
    resetPending.fill(true);
}

} // namespace dravik
