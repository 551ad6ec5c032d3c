#include "mapping/MapperWrapper.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <cstring>
#include <initializer_list>

namespace dravik {
namespace {

// A UI context with no window behind it: enough to lay out panels.
struct HeadlessUi {
    HeadlessUi()
    {
        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(1280.0f, 768.0f);
        io.DeltaTime = 1.0f / 60.0f;
        unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    }
    ~HeadlessUi() { ImGui::DestroyContext(); }

    // Draws the wrapper's options for one frame with the given tree nodes
    // (paths of labels) already open.
    void drawOptions(MapperWrapper& wrapper, std::initializer_list<std::initializer_list<const char*>> openPaths)
    {
        ImGui::NewFrame();
        ImGui::Begin("test");
        for (auto path : openPaths) {
            int depth = 0;
            for (const char* label : path) {
                ImGui::GetStateStorage()->SetInt(ImGui::GetID(label), 1);
                ImGui::PushID(label);
                ++depth;
            }
            while (depth-- > 0)
                ImGui::PopID();
        }
        wrapper.drawOptions();
        ImGui::End();
        ImGui::Render();
    }
};

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
    ui.drawOptions(harmonic, {{"Harmonic Energy Options"},
                              {"Harmonic Energy Options", "Fundamental Band"},
                              {"Harmonic Energy Options", "Harmonic Bands"}});
    const NoteEnergyParams_t& after = *static_cast<NoteEnergyParams_t*>(harmonic.params());
    EXPECT_EQ(after.fundamentalBand.sigmaScale, 0.6);
    EXPECT_EQ(after.harmonicBands.sigmaBins, 1.2);
    EXPECT_EQ(after.fundamentalFraction, 0.20000000298023224);
    EXPECT_EQ(std::memcmp(before, &after, sizeof before), 0);

    GaussianMapperWrapper gaussian;
    unsigned char gaussianBefore[sizeof(GaussianCentsMapperParams_t)];
    std::memcpy(gaussianBefore, gaussian.params(), sizeof gaussianBefore);
    ui.drawOptions(gaussian, {{"Gaussian Cents Options"},
                              {"Gaussian Cents Options", "Fundamental Band"},
                              {"Gaussian Cents Options", "Harmonic Bands"}});
    EXPECT_EQ(std::memcmp(gaussianBefore, gaussian.params(), sizeof gaussianBefore), 0);
}

} // namespace
} // namespace dravik
