#include "mapping/MapperWrapper.h"
#include "panels/MapperOptionsPanel.h"
#include "panels/OptionsController.h"

#include "HeadlessUi.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cstring>
#include <functional>
#include <iomanip>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace dravik {
namespace {

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
        const std::unique_ptr<MapperWrapper> wrapper = makeMapperWrapper(type, 16384, 22050.0);
        EXPECT_EQ(wrapper->type(), type);
        EXPECT_EQ(wrapper->params()->fftSize, 16384u);
        EXPECT_EQ(wrapper->params()->sampleRate, 22050.0);
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
    EXPECT_GT(ui.frame([&] { drawOptions(harmonic); }), 18.0f);
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
    EXPECT_GT(ui.frame([&] { drawOptions(gaussian); }), 11.0f);
    EXPECT_EQ(std::memcmp(gaussianBefore, gaussian.params(), sizeof gaussianBefore), 0);
}

TEST(MapperWrapper, BandTypeComboSetsOnlyItsOwnBand)
{
    HeadlessUi ui;
    HarmonicMapperWrapper harmonic;
    ui.openNodes = harmonicPanelOpen;
    const std::optional<ImVec2> combo =
        ui.pointOver([&] { drawOptions(harmonic); }, {"Harmonic Energy Options", "Fundamental Band", "Band Type"});
    ASSERT_TRUE(combo);
    ui.click([&] { drawOptions(harmonic); }, *combo);
    // The popup lists "Box", "Triangular", "Gaussian": its topmost item is "Box".
    const std::optional<ImVec2> box = ui.pointWhere([&] { drawOptions(harmonic); },
                                                    [](const ImGuiContext& g) {
                                                        return g.HoveredWindow != nullptr &&
                                                               (g.HoveredWindow->Flags & ImGuiWindowFlags_Popup) != 0 &&
                                                               g.HoveredId != 0;
                                                    });
    ASSERT_TRUE(box);
    ui.click([&] { drawOptions(harmonic); }, *box);

    const NoteEnergyParams_t& p = *static_cast<NoteEnergyParams_t*>(harmonic.params());
    EXPECT_EQ(p.fundamentalBand.bandType, BandType::Box);
    EXPECT_EQ(p.harmonicBands.bandType, BandType::Gaussian);
}

// The text a frame of the panel drew, as ImGui's log captures it: each
// widget's shown value before its label, one widget a line. The mouse rests
// outside the panel: a tooltip's window would end the log.
std::string drawnText(HeadlessUi& ui, const std::function<void()>& draw)
{
    ImGui::GetIO().MousePos = ImVec2(1000.0f, 700.0f);
    std::string text;
    ui.frame([&] {
        ImGui::LogToBuffer();
        draw();
        text = ImGui::GetCurrentContext()->LogBuffer.c_str();
        ImGui::LogFinish();
    });
    return text;
}

// The items the two "Band Type" combos show, fundamental band first.
std::vector<std::string> shownBandTypes(HeadlessUi& ui, const std::function<void()>& draw)
{
    std::vector<std::string> shown;
    std::istringstream lines(drawnText(ui, draw));
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t label = line.find("Band Type");
        if (label == std::string::npos)
            continue;
        // ImGui logs a framed value in braces: "{ Box } Band Type".
        std::istringstream words(line.substr(0, label));
        std::string item;
        while (words >> item && (item == "{" || item == "}"))
            continue;
        shown.push_back(item);
    }
    return shown;
}

// A band shape written into the record by a restored session shows in its
// combo, and a later choice in the combo still lands in the record.
TEST(MapperWrapper, BandTypeComboShowsTheRecordsShape)
{
    HeadlessUi ui;
    HarmonicEnergyMapperOptionsController controller;
    NoteEnergyParams_t p;
    const auto draw = [&] { controller.draw(p); };
    ui.openNodes = harmonicPanelOpen;
    struct Case {
        std::uint8_t fundamental;
        std::uint8_t harmonic;
        const char* fundamentalItem;
        const char* harmonicItem;
    };
    // Shapes the mapper does not know are boxes to it, and shown so.
    for (const Case& c : {Case{0, 1, "Box", "Triangular"}, Case{2, 0, "Gaussian", "Box"}, Case{7, 255, "Box", "Box"}}) {
        p.fundamentalBand.bandType = static_cast<BandType>(c.fundamental);
        p.harmonicBands.bandType = static_cast<BandType>(c.harmonic);
        const std::vector<std::string> shown = shownBandTypes(ui, draw);
        ASSERT_EQ(shown.size(), 2u) << drawnText(ui, draw);
        EXPECT_EQ(shown[0], c.fundamentalItem) << int(c.fundamental);
        EXPECT_EQ(shown[1], c.harmonicItem) << int(c.harmonic);
    }

    p.fundamentalBand.bandType = BandType::Box;
    const std::optional<ImVec2> combo =
        ui.pointOver(draw, {"Harmonic Energy Options", "Fundamental Band", "Band Type"});
    ASSERT_TRUE(combo);
    ui.click(draw, *combo);
    // The popup's last item, "Gaussian", lies lowest.
    std::optional<ImVec2> lowest;
    for (float y = combo->y; y < combo->y + 120.0f; y += 2.0f) {
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = ImVec2(combo->x, y);
        ui.frame(draw);
        const ImGuiContext& g = *ImGui::GetCurrentContext();
        if (g.HoveredWindow != nullptr && (g.HoveredWindow->Flags & ImGuiWindowFlags_Popup) != 0 && g.HoveredId != 0)
            lowest = io.MousePos;
    }
    ASSERT_TRUE(lowest);
    ui.click(draw, *lowest);
    ui.frame(draw);
    EXPECT_EQ(p.fundamentalBand.bandType, BandType::Gaussian);
    const std::vector<std::string> shown = shownBandTypes(ui, draw);
    ASSERT_EQ(shown.size(), 2u) << drawnText(ui, draw);
    EXPECT_EQ(shown[0], "Gaussian");
}

// A typed value is stored as typed: 0.6, not the 32-bit 0.6000000238418579.
TEST(MapperWrapper, TypedValueIsStoredExactly)
{
    HeadlessUi ui;
    HarmonicMapperWrapper harmonic;
    NoteEnergyParams_t& p = *static_cast<NoteEnergyParams_t*>(harmonic.params());
    p.fundamentalBand.sigmaScale = 1.0; // an earlier edit
    ui.openNodes = harmonicPanelOpen;
    const auto draw = [&] { drawOptions(harmonic); };
    const std::optional<ImVec2> slider =
        ui.pointOver(draw, {"Harmonic Energy Options", "Fundamental Band", "Sigma Scale"});
    ASSERT_TRUE(slider);
    ui.typeInto(draw, *slider, "0.6");

    EXPECT_EQ(p.fundamentalBand.sigmaScale, 0.6) << std::setprecision(17) << p.fundamentalBand.sigmaScale;
    EXPECT_EQ(p.harmonicBands.sigmaScale, 0.6); // the other band's slider of the same label
}

// Typed values are clamped to what each control means when committed.
TEST(MapperWrapper, TypedExtremesAreClampedToTheControlsDomain)
{
    struct Case {
        HeadlessUi::Path path;
        const char* text;
        double expected;
        double (*read)(const NoteEnergyParams_t&);
    };
    const Case cases[] = {
        {{"Harmonic Energy Options", "Harmonic Count"},
         "99999999999",
         12.0,
         [](const NoteEnergyParams_t& p) { return double(p.harmonicCount); }},
        {{"Harmonic Energy Options", "Harmonic Count"},
         "-5",
         0.0,
         [](const NoteEnergyParams_t& p) { return double(p.harmonicCount); }},
        {{"Harmonic Energy Options", "Fundamental Band", "Radius Bins"},
         "2147483647",
         4096.0,
         [](const NoteEnergyParams_t& p) { return double(p.fundamentalBand.radiusBins); }},
        {{"Harmonic Energy Options", "Fundamental Fraction"},
         "7",
         1.0,
         [](const NoteEnergyParams_t& p) { return p.fundamentalFraction; }},
        {{"Harmonic Energy Options", "Fundamental Soft Gate"},
         "1e999",
         std::numeric_limits<double>::infinity(),
         [](const NoteEnergyParams_t& p) { return p.fundamentalSoftGate; }},
        {{"Harmonic Energy Options", "Fundamental Hard Gate"},
         "nan",
         0.0,
         [](const NoteEnergyParams_t& p) { return p.fundamentalHardGate; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        HeadlessUi ui;
        HarmonicMapperWrapper harmonic;
        const NoteEnergyParams_t& p = *static_cast<NoteEnergyParams_t*>(harmonic.params());
        ui.openNodes = harmonicPanelOpen;
        const auto draw = [&] { drawOptions(harmonic); };
        const std::optional<ImVec2> slider = ui.pointOver(draw, c.path);
        ASSERT_TRUE(slider);
        ui.typeInto(draw, *slider, c.text);
        EXPECT_EQ(c.read(p), c.expected);
    }
}

} // namespace
} // namespace dravik
