#include "panels/SourcePanels.h"

#include "HeadlessUi.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace dravik {
namespace {

// Opens nothing, but keeps the paths it was asked for.
class RecordingOpener final : public IFileOpener {
public:
    explicit RecordingOpener(std::vector<std::string>& asked)
        : asked(&asked)
    {
    }
    std::unique_ptr<IAudioDecoder> open(const std::string& path, std::string& error) override
    {
        asked->push_back(path);
        error = "not opened in this test";
        return nullptr;
    }

private:
    std::vector<std::string>* asked;
};

class NoCapture final : public ICaptureDevice {
public:
    std::vector<std::string> availableDevices() override { return {}; }
    std::string defaultDevice() override { return {}; }
    bool start(const std::string&, std::uint32_t, std::string& error) override
    {
        error = "no capture in this test";
        return false;
    }
    void stop() override {}
    std::uint64_t read(std::int16_t*, std::uint64_t) override { return 0; }
};

// The "Sound File" panel's buttons: a typed "~/" path opens in the home
// folder, and "Open..." asks for the file chooser.
TEST(SourcePanels, TypedHomePathsOpenThereAndOpenDotsAsksForTheChooser)
{
    HeadlessUi ui;
    std::vector<std::string> asked;
    std::ostringstream errors;
    SourceStage stage(std::make_unique<RecordingOpener>(asked), nullptr, std::make_unique<NoCapture>(), errors);
    stage.select(SourceKind::File);
    SourcePanelState_t state;
    PanelLayout layout;
    const auto draw = [&] { drawSourceWindow(stage, state, layout); };
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    ::setenv("HOME", "/home/listener", 1);

    // Finds a button of the panel by sweeping the mouse along its first row.
    const auto button = [&](const char* label) -> std::optional<ImVec2> {
        const ImGuiID id = ImHashStr(label, 0, ImHashStr(soundFilePanel));
        for (int i = 0; i < 3; ++i)
            ui.frame(draw);
        const ImGuiWindow* panel = ImGui::FindWindowByName(soundFilePanel);
        if (panel == nullptr)
            return std::nullopt;
        const float y = panel->Pos.y + panel->TitleBarHeight() + ImGui::GetStyle().WindowPadding.y + 6.0f;
        for (float x = panel->Pos.x; x < panel->Pos.x + panel->Size.x; x += 3.0f) {
            ImGui::GetIO().MousePos = ImVec2(x, y);
            ui.frame(draw);
            if (ImGui::GetCurrentContext()->HoveredId == id)
                return ImVec2(x, y);
        }
        return std::nullopt;
    };

    struct Case {
        const char* typed;
        const char* opened;
    };
    for (const Case& c : {Case{"~/my songs/été.wav", "/home/listener/my songs/été.wav"},
                          Case{"/data/~/x.wav", "/data/~/x.wav"}, Case{"~", "/home/listener"}}) {
        SCOPED_TRACE(c.typed);
        setPanelPath(state, c.typed);
        const std::optional<ImVec2> open = button("Open");
        ASSERT_TRUE(open);
        asked.clear();
        ui.click(draw, *open);
        EXPECT_EQ(asked, std::vector<std::string>{c.opened});
    }

    EXPECT_FALSE(state.chooseFile);
    const std::optional<ImVec2> choose = button("Open...");
    ASSERT_TRUE(choose);
    ui.click(draw, *choose);
    EXPECT_TRUE(state.chooseFile);
    if (oldHome != nullptr)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

} // namespace
} // namespace dravik
