#pragma once

#include <imgui.h>
#include <imgui_internal.h>

#include <functional>
#include <optional>
#include <vector>

namespace dravik {

// A UI context with no window behind it: enough to lay out panels, and to
// drive them with mouse and keyboard input fed through ImGuiIO.
struct HeadlessUi {
    using Path = std::vector<const char*>;

    HeadlessUi()
    {
        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(1280.0f, 768.0f);
        io.DeltaTime = 1.0f / 60.0f;
        for (int key = 0; key < ImGuiKey_COUNT; ++key)
            io.KeyMap[key] = key;
        unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    }
    ~HeadlessUi() { ImGui::DestroyContext(); }

    // ID of the widget at a path of labels in the window: every open tree
    // node scopes the IDs below it by its label.
    static ImGuiID idOf(const Path& path)
    {
        ImGuiID id = ImHashStr(windowName);
        for (const char* label : path)
            id = ImHashStr(label, 0, id);
        return id;
    }

    // Draws one frame of widgets in a fixed window, with the
    // tree nodes in openNodes opened first. Returns the height the options
    // took, in rows of framed widgets.
    float frame(const std::function<void()>& draw)
    {
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImVec2(600.0f, 760.0f));
        ImGui::Begin(windowName);
        for (const Path& path : openNodes)
            ImGui::GetStateStorage()->SetInt(idOf(path), 1);
        const float top = ImGui::GetCursorPosY();
        draw();
        const float rows = (ImGui::GetCursorPosY() - top) / ImGui::GetFrameHeightWithSpacing();
        ImGui::End();
        ImGui::Render();
        return rows;
    }

    // Sweeps the mouse down a column that crosses every framed widget and
    // combo popup of the panels (or, nearer the left, every button), one
    // frame per step, and returns the first point at which `found` holds.
    std::optional<ImVec2> pointWhere(const std::function<void()>& draw,
                                     const std::function<bool(const ImGuiContext&)>& found, float x = 240.0f)
    {
        for (float y = 0.0f; y < ImGui::GetIO().DisplaySize.y; y += 2.0f) {
            ImGui::GetIO().MousePos = ImVec2(x, y);
            frame(draw);
            if (found(*ImGui::GetCurrentContext()))
                return ImGui::GetIO().MousePos;
        }
        return std::nullopt;
    }

    std::optional<ImVec2> pointOver(const std::function<void()>& draw, const Path& path, float x = 240.0f)
    {
        const ImGuiID id = idOf(path);
        return pointWhere(draw, [id](const ImGuiContext& g) { return g.HoveredId == id; }, x);
    }

    // Press and release of the left button, a frame each.
    void click(const std::function<void()>& draw, ImVec2 at)
    {
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = at;
        io.MouseDown[0] = true;
        frame(draw);
        io.MouseDown[0] = false;
        frame(draw);
    }

    // Ctrl+click turns a slider into a text field.
    void startTyping(const std::function<void()>& draw, ImVec2 at)
    {
        ImGuiIO& io = ImGui::GetIO();
        io.KeyCtrl = true;
        click(draw, at);
        io.KeyCtrl = false; // characters typed with Ctrl held are ignored
    }

    // One character a frame, as a person types; afterEach runs after every frame.
    void typeText(const std::function<void()>& draw, const char* text, const std::function<void()>& afterEach = {})
    {
        for (const char* c = text; *c != '\0'; ++c) {
            ImGui::GetIO().AddInputCharacter(static_cast<unsigned>(*c));
            frame(draw);
            if (afterEach)
                afterEach();
        }
    }

    // A key held for one frame, then released.
    void pressKey(const std::function<void()>& draw, ImGuiKey key)
    {
        ImGuiIO& io = ImGui::GetIO();
        io.KeysDown[io.KeyMap[key]] = true;
        frame(draw);
        io.KeysDown[io.KeyMap[key]] = false;
        frame(draw);
    }

    // Ctrl+click, the text, then Enter.
    void typeInto(const std::function<void()>& draw, ImVec2 at, const char* text)
    {
        startTyping(draw, at);
        typeText(draw, text);
        pressKey(draw, ImGuiKey_Enter);
    }

    static constexpr const char* windowName = "test";
    std::vector<Path> openNodes;
};

} // namespace dravik
