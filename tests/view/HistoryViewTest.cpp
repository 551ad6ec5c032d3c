#include "view/HistoryView.h"

#include "view/MidiDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace dravik {
namespace {

NoteEventView eventsOf(const std::vector<NoteEvent_t>& events)
{
    return {events.data(), events.size()};
}

struct History : ::testing::Test {
    History()
    {
        view.setHeight(382.f);
        view.setSpan(10.f);
    }

    NoteHistory notes{64};
    LevelHistory spectra{64, SpectrogramLayout_t{}};
    HistoryView view{64, SpectrogramLayout_t{}};
};

TEST(HistoryKeys, BlackKeysAreAPianos)
{
    const std::vector<std::int32_t> black{1, 3, 6, 8, 10, 61, 70, -11};
    const std::vector<std::int32_t> white{0, 2, 4, 5, 7, 9, 11, 60, 64, 65, 71, 72, -12};
    for (const std::int32_t note : black)
        EXPECT_TRUE(isBlackKey(note)) << note;
    for (const std::int32_t note : white)
        EXPECT_FALSE(isBlackKey(note)) << note;
}

TEST(HistoryKeys, TimeLinesAndColoursStayReadable)
{
    EXPECT_EQ(timeLineStep(5.f), 1.f);
    EXPECT_EQ(timeLineStep(10.f), 2.f);
    EXPECT_EQ(timeLineStep(30.f), 5.f);
    // The colour map brightens from the floor to the top, and clamps outside.
    EXPECT_EQ(spectrogramColour(-500.f), spectrogramColour(spectrogramscale::floorDb));
    EXPECT_EQ(spectrogramColour(50.f), spectrogramColour(spectrogramscale::topDb));
    EXPECT_EQ(spectrogramColour(std::nanf("")), spectrogramColour(spectrogramscale::floorDb));
    const auto brightness = [](sf::Color c) { return c.r + c.g + c.b; };
    for (float db = -95.f; db <= 0.f; db += 5.f)
        EXPECT_GT(brightness(spectrogramColour(db)), brightness(spectrogramColour(db - 5.f))) << db;
}

// A bar lies in its note's column, from its onset up to its offset (or to
// the bottom edge while it sounds), newest at the bottom.
TEST_F(History, BarsSpanTheirNotesColumnAndTimes)
{
    const std::vector<NoteEvent_t> events{{10.0, 69, 90}, {14.0, 69, 0}, {16.0, 72, 90}};
    notes.add(eventsOf(events));
    const std::vector<ActiveNote_t> active{{72, 90, -10.0}};
    view.update(notes, spectra, {active.data(), active.size()}, 18.0, std::nullopt);

    ASSERT_EQ(view.barCount(), 2u);
    const sf::FloatRect area = view.getTimeArea();
    const float perSecond = area.height / 10.f;
    const sf::Vertex* newest = view.barVertices();
    EXPECT_NEAR(newest[0].position.x, noteColumnLeft(72) + 1.f, 1e-3f);
    EXPECT_NEAR(newest[0].position.y, area.height - 2.f * perSecond, 1e-3f);
    EXPECT_NEAR(newest[2].position.y, area.height, 1.01f);
    const sf::Vertex* ended = view.barVertices() + 4;
    EXPECT_NEAR(ended[0].position.x, noteColumnLeft(69) + 1.f, 1e-3f);
    EXPECT_NEAR(ended[0].position.y, area.height - 8.f * perSecond, 1e-3f);
    EXPECT_NEAR(ended[2].position.y, area.height - 4.f * perSecond, 1e-3f);

    EXPECT_TRUE(view.isLit(72));
    EXPECT_FALSE(view.isLit(69));
    ASSERT_EQ(view.getNames().size(), 2u);
    EXPECT_EQ(view.getNames()[0].getString().toAnsiString(), "C5");

    // A click 8 s up the area points 8 s back.
    view.setPosition(0.f, 380.f);
    const std::optional<double> before = view.secondsBeforeNowAt({600.f, 380.f + area.height - 8.f * perSecond});
    ASSERT_TRUE(before.has_value());
    EXPECT_NEAR(*before, 8.0, 1e-3);
    EXPECT_FALSE(view.secondsBeforeNowAt({600.f, 380.f + view.getHeight() - 2.f}).has_value()); // the keyboard
}

TEST_F(History, NeighbouringNamesNeverOverlap)
{
    // A chromatic cluster struck together, then a run of neighbours.
    std::vector<NoteEvent_t> events;
    for (std::uint8_t note = 60; note < 72; ++note)
        events.push_back({1.0, note, 90});
    for (std::uint8_t note = 60; note < 72; ++note) {
        events.push_back({1.5 + 0.1 * (note - 60), note, 0});
        events.push_back({1.5 + 0.1 * (note - 60), note, 90});
    }
    notes.add(eventsOf(events));
    view.update(notes, spectra, {}, 4.0, std::nullopt);

    const LabelRow& names = view.getNames();
    ASSERT_GT(names.size(), 4u);
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j)
            EXPECT_FALSE(names[i].getGlobalBounds().intersects(names[j].getGlobalBounds())) << i << " and " << j;
    }
}

TEST_F(History, OldBarsAndColumnsLeaveTheSpan)
{
    const std::vector<NoteEvent_t> events{{0.0, 60, 90}, {1.0, 60, 0}, {20.0, 62, 90}};
    notes.add(eventsOf(events));
    const std::vector<SpectrumBin> bins(2049, SpectrumBin{0.1, 0.01});
    for (int i = 0; i < 20; ++i)
        spectra.add({bins.data(), bins.size()}, 4096, 44100.0, 10.0 + i);
    view.update(notes, spectra, {}, 29.0, std::nullopt);
    EXPECT_EQ(view.barCount(), 1u);
}

TEST_F(History, FileTimeLabelsFallOnWholeSteps)
{
    view.update(notes, spectra, {}, 100.0, 65.5);
    const LabelRow& labels = view.getTimeLabels();
    ASSERT_EQ(labels.size(), 5u);
    EXPECT_EQ(labels[0].getString().toAnsiString(), "1:04");
    EXPECT_EQ(labels[4].getString().toAnsiString(), "0:56");
    view.update(notes, spectra, {}, 100.0, std::nullopt);
    EXPECT_EQ(labels[0].getString().toAnsiString(), "-2 s");
    // Near the file's start no line reads a time before it.
    view.update(notes, spectra, {}, 100.0, 3.0);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[1].getString().toAnsiString(), "0:00");
}

TEST_F(History, LabelsEndLeftOfWhatCoversTheRightPart)
{
    // Uncovered the time labels end at note 112's column; with the side bar
    // over the right part they end where it starts, and only the labels move.
    const sf::FloatRect area = view.getTimeArea();
    for (const float edge : {2000.f, 874.f}) {
        SCOPED_TRACE(edge);
        view.setLabelRight(edge);
        view.update(notes, spectra, {}, 100.0, std::nullopt);
        const LabelRow& labels = view.getTimeLabels();
        ASSERT_GT(labels.size(), 0u);
        const float expected = std::min(edge, area.left + area.width);
        for (std::size_t i = 0; i < labels.size(); ++i)
            EXPECT_NEAR(labels[i].getGlobalBounds().left + labels[i].getGlobalBounds().width, expected, 2.f);
        EXPECT_EQ(view.getTimeArea(), area);
    }
}

} // namespace
} // namespace dravik
