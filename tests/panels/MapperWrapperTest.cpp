#include "panels/MapperWrapper.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cstring>
#include <functional>
#include <iomanip>
#include <optional>
#include <vector>

namespace dravik {
namespace {

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

    // Draws the wrapper's options for one frame in a fixed window, with the
    // tree nodes in openNodes opened first. Returns the height the options
    // took, in rows of framed widgets.
    float frame(MapperWrapper& wrapper)
    {
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImVec2(600.0f, 760.0f));
        ImGui::Begin(windowName);
        for (const Path& path : openNodes)
            ImGui::GetStateStorage()->SetInt(idOf(path), 1);
        const float top = ImGui::GetCursorPosY();
        wrapper.drawOptions();
        const float rows = (ImGui::GetCursorPosY() - top) / ImGui::GetFrameHeightWithSpacing();
        ImGui::End();
        ImGui::Render();
        return rows;
    }

    // Sweeps the mouse down a column that crosses every framed widget and
    // combo popup of the panels, one frame per step, and returns the first
    // point at which `found` holds.
    std::optional<ImVec2> pointWhere(MapperWrapper& wrapper, const std::function<bool(const ImGuiContext&)>& found)
    {
        for (float y = 0.0f; y < ImGui::GetIO().DisplaySize.y; y += 2.0f) {
            ImGui::GetIO().MousePos = ImVec2(240.0f, y);
            frame(wrapper);
            if (found(*ImGui::GetCurrentContext()))
                return ImGui::GetIO().MousePos;
        }
        return std::nullopt;
    }

    std::optional<ImVec2> pointOver(MapperWrapper& wrapper, const Path& path)
    {
        const ImGuiID id = idOf(path);
        return pointWhere(wrapper, [id](const ImGuiContext& g) { return g.HoveredId == id; });
    }

    // Press and release of the left button, a frame each.
    void click(MapperWrapper& wrapper, ImVec2 at)
    {
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = at;
        io.MouseDown[0] = true;
        frame(wrapper);
        io.MouseDown[0] = false;
        frame(wrapper);
    }

    // Ctrl+click turns a slider into a text field: type the text, then Enter.
    void typeInto(MapperWrapper& wrapper, ImVec2 at, const char* text)
    {
        ImGuiIO& io = ImGui::GetIO();
        io.KeyCtrl = true;
        click(wrapper, at);
        io.KeyCtrl = false; // characters typed with Ctrl held are ignored
        for (const char* c = text; *c != '\0'; ++c)
            io.AddInputCharacter(static_cast<unsigned>(*c));
        frame(wrapper);
        io.KeysDown[io.KeyMap[ImGuiKey_Enter]] = true;
        frame(wrapper);
        io.KeysDown[io.KeyMap[ImGuiKey_Enter]] = false;
        frame(wrapper);
    }

    static constexpr const char* windowName = "test";
    std::vector<Path> openNodes;
};

// Every tree node of each panel.
const std::vector<HeadlessUi::Path> harmonicPanelOpen = {{"Harmonic Energy Options"},
                                                         {"Harmonic Energy Options", "Fundamental Band"},
                                                         {"Harmonic Energy Options", "Harmonic Bands"}};
const std::vector<HeadlessUi::Path> gaussianPanelOpen = {{"Gaussian Cents Options"},
                                                         {"Gaussian Cents Options", "Fundamental Band"},
                                                         {"Gaussian Cents Options", "Harmonic Bands"}};

TEST(MapperWrapper, TypeAndParametersBelongToTheEmbeddedMapper)
{
    GaussianMapperWrapper gaussian;
    HarmonicMapperWrapper harmonic;
    EXPECT_EQ(gaussian.type(), MapperType::GaussianCents);
    EXPECT_EQ(harmonic.type(), MapperType::HarmonicEnergy);

    // The scene writes fftSize through params(); the mapper sees it.
    gaussian.params()->fftSize = 16384;
    EXPECT_EQ(static_cast<GaussianCentsMapperParams_t*>(gaussian.params())->harmonicCount, 1);
    EXPECT_EQ(static_cast<NoteEnergyParams_t*>(harmonic.params())->harmonicCount, 6);

    const NoteEnergyView gaussianNotes = gaussian.map({});
    ASSERT_EQ(gaussianNotes.count, 102u);
    EXPECT_EQ(gaussianNotes[0].note, 12);
    EXPECT_EQ(gaussianNotes[101].note, 113);
    EXPECT_EQ(harmonic.map({}).count, 102u);
}

TEST(MapperWrapper, ANewWrapperHasDefaultsAndTheAnalysersWindowLength)
{
    for (MapperType type : {MapperType::GaussianCents, MapperType::HarmonicEnergy}) {
        const std::unique_ptr<MapperWrapper> wrapper = makeMapperWrapper(type, 16384);
        EXPECT_EQ(wrapper->type(), type);
        EXPECT_EQ(wrapper->params()->fftSize, 16384u);
        EXPECT_EQ(wrapper->params()->sampleRate, 44100.0);
        EXPECT_EQ(wrapper->params()->powerFilter, 0.0);
    }
}

// Drawing every slider without touching it must leave the 64-bit fields
// exactly as they were (0.6 stays 0.6, not the 32-bit 0.6000000238418579).
TEST(MapperWrapper, PanelsLeaveUntouchedFieldsExact)
{
    HeadlessUi ui;

    HarmonicMapperWrapper harmonic;
    // Byte snapshots (padding included) of the records before drawing.
    unsigned char before[sizeof(NoteEnergyParams_t)];
    std::memcpy(before, harmonic.params(), sizeof before);
    ui.openNodes = harmonicPanelOpen;
    // All open, the panel is about 21 rows high; with a band closed, 15.
    EXPECT_GT(ui.frame(harmonic), 18.0f);
    const NoteEnergyParams_t& after = *static_cast<NoteEnergyParams_t*>(harmonic.params());
    EXPECT_EQ(after.fundamentalBand.sigmaScale, 0.6);
    EXPECT_EQ(after.harmonicBands.sigmaBins, 1.2);
    EXPECT_EQ(after.fundamentalFraction, 0.20000000298023224);
    EXPECT_EQ(std::memcmp(before, &after, sizeof before), 0);

    GaussianMapperWrapper gaussian;
    unsigned char gaussianBefore[sizeof(GaussianCentsMapperParams_t)];
    std::memcpy(gaussianBefore, gaussian.params(), sizeof gaussianBefore);
    ui.openNodes = gaussianPanelOpen;
    // About 12 rows all open, 9 with a band closed.
    EXPECT_GT(ui.frame(gaussian), 11.0f);
    EXPECT_EQ(std::memcmp(gaussianBefore, gaussian.params(), sizeof gaussianBefore), 0);
}

TEST(MapperWrapper, BandTypeComboSetsOnlyItsOwnBand)
{
    HeadlessUi ui;
    HarmonicMapperWrapper harmonic;
    ui.openNodes = harmonicPanelOpen;
    const std::optional<ImVec2> combo =
        ui.pointOver(harmonic, {"Harmonic Energy Options", "Fundamental Band", "Band Type"});
    ASSERT_TRUE(combo);
    ui.click(harmonic, *combo);
    // The popup lists "Box", "Triangular", "Gaussian": its topmost item is "Box".
    const std::optional<ImVec2> box = ui.pointWhere(harmonic, [](const ImGuiContext& g) {
        return g.HoveredWindow != nullptr && (g.HoveredWindow->Flags & ImGuiWindowFlags_Popup) != 0 && g.HoveredId != 0;
    });
    ASSERT_TRUE(box);
    ui.click(harmonic, *box);

    const NoteEnergyParams_t& p = *static_cast<NoteEnergyParams_t*>(harmonic.params());
    EXPECT_EQ(p.fundamentalBand.bandType, BandType::Box);
    EXPECT_EQ(p.harmonicBands.bandType, BandType::Gaussian);
}

TEST(MapperWrapper, SliderStoresTheWidened32BitValue)
{
    HeadlessUi ui;
    HarmonicMapperWrapper harmonic;
    NoteEnergyParams_t& p = *static_cast<NoteEnergyParams_t*>(harmonic.params());
    p.fundamentalBand.sigmaScale = 1.0; // an earlier edit
    ui.openNodes = harmonicPanelOpen;
    const std::optional<ImVec2> slider =
        ui.pointOver(harmonic, {"Harmonic Energy Options", "Fundamental Band", "Sigma Scale"});
    ASSERT_TRUE(slider);
    ui.typeInto(harmonic, *slider, "0.6");

    // The slider edits a 32-bit copy: the field gets 0.6f widened, not 0.6.
    EXPECT_EQ(p.fundamentalBand.sigmaScale, 0.6000000238418579)
        << std::setprecision(17) << p.fundamentalBand.sigmaScale;
    EXPECT_EQ(p.harmonicBands.sigmaScale, 0.6); // the other band's slider of the same label
}

} // namespace
} // namespace dravik
