#include "panels/Widgets.h"

#include "HeadlessUi.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace dravik {
namespace {

// One slider over a sample rate, with every value the field takes recorded.
struct TypedEntryTest : ::testing::Test {
    HeadlessUi ui;
    double rate = 44100.0;
    std::vector<double> applied;

    void draw()
    {
        if (sliderDouble("Rate", rate, 1024.0, 48000.0, TypedRange_t{1024.0, 384000.0}))
            applied.push_back(rate);
    }

    ImVec2 sliderPoint()
    {
        const std::optional<ImVec2> at = ui.pointOver([this] { draw(); }, {"Rate"});
        EXPECT_TRUE(at);
        return at.value_or(ImVec2(0.0f, 0.0f));
    }
};

TEST_F(TypedEntryTest, KeystrokesApplyNothingUntilEnter)
{
    const auto frame = [this] { draw(); };
    ui.startTyping(frame, sliderPoint());
    ui.typeText(frame, "22050", [this] { EXPECT_EQ(rate, 44100.0); });
    EXPECT_TRUE(applied.empty()) << "applied on the way: " << applied.front();
    ui.pressKey(frame, ImGuiKey_Enter);
    EXPECT_EQ(rate, 22050.0);
    EXPECT_EQ(applied, std::vector<double>{22050.0});
}

TEST_F(TypedEntryTest, EscapeCancels)
{
    const auto frame = [this] { draw(); };
    ui.startTyping(frame, sliderPoint());
    ui.typeText(frame, "8000");
    ui.pressKey(frame, ImGuiKey_Escape);
    EXPECT_EQ(rate, 44100.0);
    EXPECT_TRUE(applied.empty());
}

TEST_F(TypedEntryTest, ClickingElsewhereCommits)
{
    const auto frame = [this] { draw(); };
    ui.startTyping(frame, sliderPoint());
    ui.typeText(frame, "96000");
    ui.click(frame, ImVec2(1200.0f, 700.0f));
    EXPECT_EQ(rate, 96000.0);
}

// "1e39" never passes through "1e3": the whole entry is clamped to the typed
// range. Letters are filtered out as typed, so "nan" and "text" arrive empty.
TEST_F(TypedEntryTest, CommittedValueIsClampedWhole)
{
    struct Case {
        const char* text;
        double expected;
    };
    for (const Case c : {Case{"1e39", 384000.0}, Case{"-1", 1024.0}, Case{"1e999", 384000.0}, Case{"nan", 44100.0},
                         Case{"text", 44100.0}}) {
        SCOPED_TRACE(c.text);
        rate = 44100.0;
        const auto frame = [this] { draw(); };
        ui.typeInto(frame, sliderPoint(), c.text);
        EXPECT_EQ(rate, c.expected);
    }
}

TEST(TypedRange, CommitRefusesNaNAndClampsTheRest)
{
    const TypedRange_t range{0.0, std::numeric_limits<double>::infinity()};
    double committed = 5.0;
    EXPECT_FALSE(commitTyped(std::numeric_limits<double>::quiet_NaN(), range, committed));
    EXPECT_EQ(committed, 5.0);
    ASSERT_TRUE(commitTyped(-3.0, range, committed));
    EXPECT_EQ(committed, 0.0);
    ASSERT_TRUE(commitTyped(std::numeric_limits<double>::infinity(), range, committed));
    EXPECT_EQ(committed, std::numeric_limits<double>::infinity());
}

} // namespace
} // namespace dravik
