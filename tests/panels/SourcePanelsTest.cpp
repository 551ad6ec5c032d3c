#include "panels/SourcePanels.h"

#include "HeadlessUi.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
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
        error = "not opened in this test: " + path;
        return nullptr;
    }

private:
    std::vector<std::string>* asked;
};

// Lists a microphone that never starts.
class NoCapture final : public ICaptureDevice {
public:
    explicit NoCapture(std::string failure = "no capture in this test")
        : failure(std::move(failure))
    {
    }
    std::vector<std::string> availableDevices() override { return {"Test microphone"}; }
    std::string defaultDevice() override { return "Test microphone"; }
    bool start(const std::string&, std::uint32_t, std::string& error) override
    {
        error = failure;
        return false;
    }
    void stop() override {}
    std::uint64_t read(std::int16_t*, std::uint64_t) override { return 0; }

private:
    std::string failure;
};

// The panels' model over a bare stage: choices go straight to it.
class StageModel final : public ISourceModel {
public:
    explicit StageModel(SourceStage& stage)
        : stage(stage)
    {
    }
    const SourceStage& sourceStage() const override { return stage; }
    FileSource& file() override { return stage.file(); }
    std::vector<std::string> inputDevices() override { return stage.input().devices(); }
    bool selectSource(SourceKind kind) override { return stage.select(kind).done; }
    bool openFile(const std::string& path) override { return stage.openFile(path).done; }
    bool selectInputDevice(const std::string& name) override { return stage.selectInputDevice(name).done; }

private:
    SourceStage& stage;
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
    StageModel model(stage);
    const auto draw = [&] { drawSourceWindow(model, state, layout); };
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

// A message far wider than the window, a path without spaces among words,
// wraps: the panels keep their width.
TEST(SourcePanels, LongMessagesWrapInsteadOfWideningThePanels)
{
    const std::string longPath = "/" + std::string(300, 'x') + "/song.wav";
    const std::string message = "the device " + longPath + " cannot be opened: " + std::string(40, 'y') + " " +
                                std::string(60, 'z') + " and more words that run on past the window's right edge";
    HeadlessUi ui;
    std::vector<std::string> asked;
    std::ostringstream errors;
    SourceStage stage(std::make_unique<RecordingOpener>(asked), nullptr, std::make_unique<NoCapture>(message), errors);
    SourcePanelState_t state;
    PanelLayout layout;
    StageModel model(stage);
    const auto width = [&](const char* panel) {
        for (int i = 0; i < 4; ++i)
            ui.frame([&] { drawSourceWindow(model, state, layout); });
        const ImGuiWindow* window = ImGui::FindWindowByName(panel);
        return window != nullptr ? window->Size.x : 0.0f;
    };

    stage.select(SourceKind::File);
    const float plain = width(soundFilePanel);
    ASSERT_GT(plain, 100.0f);
    state.chooserMessage = message;
    EXPECT_LT(width(soundFilePanel), std::max(plain, 500.0f));
    state.chooserMessage.clear();
    stage.openFile(longPath);
    EXPECT_LT(width(soundFilePanel), std::max(plain, 500.0f));

    stage.select(SourceKind::Input);
    ASSERT_NE(stage.message(SourceKind::Input).find(message), std::string::npos);
    const float input = width(soundInputPanel);
    EXPECT_GT(input, 100.0f);
    EXPECT_LT(input, 500.0f);
}

} // namespace
} // namespace dravik
