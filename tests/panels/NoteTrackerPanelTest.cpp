#include "panels/NoteTrackerPanel.h"

#include "HeadlessUi.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

struct NoteTrackerPanelTest : ::testing::Test {
    NoteTrackerPanelTest() { ui.openNodes = {{"Note Tracker"}}; }

    void draw() { drawNoteTrackerOptions(params); }

    ImVec2 pointOver(const char* label, float x = 240.0f)
    {
        const std::optional<ImVec2> at = ui.pointOver([this] { draw(); }, {"Note Tracker", label}, x);
        EXPECT_TRUE(at) << label;
        return at.value_or(ImVec2(0.0f, 0.0f));
    }

    HeadlessUi ui;
    NoteTrackerParams_t params;
};

// An off level above its on level would end a note in the frame it starts.
TEST_F(NoteTrackerPanelTest, OffLevelsStayAtOrBelowTheirOnLevels)
{
    const auto frame = [this] { draw(); };
    ui.typeInto(frame, pointOver("On Level"), "-30");
    EXPECT_EQ(params.relativeOnDb, -30.0);
    EXPECT_EQ(params.relativeOffDb, -30.0) << "taken down with the on level";
    ui.typeInto(frame, pointOver("Off Level"), "-5");
    EXPECT_EQ(params.relativeOffDb, -30.0) << "no higher than the on level";

    ui.typeInto(frame, pointOver("On Floor"), "-70");
    EXPECT_EQ(params.floorOffDb, -70.0);
    ui.typeInto(frame, pointOver("Off Floor"), "-90");
    EXPECT_EQ(params.floorOffDb, -90.0);
    EXPECT_EQ(params.floorOnDb, -70.0);
}

TEST_F(NoteTrackerPanelTest, DefaultsKeepTheRateAndWindowTheAnalysisSet)
{
    params.sampleRate = 48000.0;
    params.lowWindowSize = 8192;
    params.maxPolyphony = 2;
    params.relativeOnDb = -40.0;
    const auto frame = [this] { draw(); };
    ui.click(frame, pointOver("Tracker Defaults", 40.0f));
    const NoteTrackerParams_t defaults;
    EXPECT_EQ(params.maxPolyphony, defaults.maxPolyphony);
    EXPECT_EQ(params.relativeOnDb, defaults.relativeOnDb);
    EXPECT_EQ(params.sampleRate, 48000.0);
    EXPECT_EQ(params.lowWindowSize, 8192u);
}

} // namespace
} // namespace dravik
