#include "view/MidiDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace dravik {
namespace {

constexpr float kTolerance = 0.001f;

NoteEnergyView viewOf(const std::vector<NoteEnergy>& notes)
{
    return {notes.data(), notes.size()};
}

// A display whose refresh timer has run out, so the next update takes its input.
class ReadyDisplay : public ::testing::Test {
protected:
    void show(const std::vector<NoteEnergy>& notes)
    {
        display.advance(MidiDisplay::refreshInterval);
        display.update(viewOf(notes));
    }

    const sf::RectangleShape& marker(std::uint32_t note) const { return display.getCell(note)->marker; }

    void expectRect(const sf::FloatRect& rect, float left, float top, float right, float bottom) const
    {
        EXPECT_NEAR(rect.left, left, kTolerance);
        EXPECT_NEAR(rect.top, top, kTolerance);
        EXPECT_NEAR(rect.left + rect.width, right, kTolerance);
        EXPECT_NEAR(rect.top + rect.height, bottom, kTolerance);
    }

    MidiDisplay display;
};

TEST_F(ReadyDisplay, BaselineIsAMagentaBarOverTheSquaresOfNotes24To112)
{
    const sf::RectangleShape& baseline = display.getBaseline();
    EXPECT_EQ(baseline.getFillColor(), sf::Color(255, 0, 255, 255));
    EXPECT_EQ(baseline.getOutlineThickness(), 0.f);
    expectRect(baseline.getGlobalBounds(), 6.2727275f, 14.545455f, 1300.8182f, 15.545455f);

    show({{24, 0.0}, {112, 0.0}});
    EXPECT_NEAR(marker(24).getGlobalBounds().left, 6.2727275f, kTolerance);
    const sf::FloatRect last = marker(112).getGlobalBounds();
    EXPECT_NEAR(last.left + last.width, 1300.8182f, kTolerance);
}

TEST_F(ReadyDisplay, PlacesAndColoursEachNoteByNumberAndEnergy)
{
    show({{60, 0.0}, {61, 0.5}, {23, 1.0}});

    const NoteCell& c60 = *display.getCell(60);
    expectRect(c60.marker.getGlobalBounds(), 529.909f, 14.545f, 544.455f, 29.091f);
    EXPECT_EQ(c60.marker.getFillColor(), sf::Color::White);
    EXPECT_EQ(c60.label.getString().toAnsiString(), "60");
    EXPECT_NEAR(c60.label.getPosition().x, 530.909f, kTolerance);
    EXPECT_NEAR(c60.label.getPosition().y, 21.818f, kTolerance);
    EXPECT_EQ(c60.label.getCharacterSize(), 7u);
    EXPECT_EQ(c60.label.getFillColor(), sf::Color::Black);

    const NoteCell& c61 = *display.getCell(61);
    EXPECT_NEAR(c61.marker.getPosition().x, 545.455f, kTolerance);
    EXPECT_NEAR(c61.marker.getPosition().y, 213.818f, kTolerance);
    EXPECT_NEAR(c61.marker.getGlobalBounds().top, 206.545f, kTolerance);
    EXPECT_EQ(c61.marker.getFillColor(), sf::Color(166, 201, 236, 255));
    EXPECT_EQ(c61.label.getString().toAnsiString(), "61");

    // Energy 1 hangs the square 384 units below the baseline's top; note 23 lies left of the bar.
    const sf::FloatRect c23 = marker(23).getGlobalBounds();
    EXPECT_NEAR(c23.top, 14.545455f + 384.f, kTolerance);
    EXPECT_NEAR(c23.left, 6.2727275f - 14.545455f, kTolerance);

    EXPECT_EQ(display.getActiveNotes(), (std::vector<std::uint32_t>{60, 61, 23}));
}

// Squares stay between the baseline and the floor the owner sets, as the
// spectrum stays inside its plot.
TEST_F(ReadyDisplay, LoudNotesStopAtTheFloor)
{
    display.setMarkerFloor(332.7f);
    show({{60, 0.5}, {61, 1.02}, {62, 1e30}, {63, -2.0}});
    EXPECT_NEAR(marker(60).getPosition().y, 0.5f * 384.f + 21.818182f, kTolerance);
    EXPECT_NEAR(marker(61).getPosition().y, 332.7f, kTolerance);
    EXPECT_NEAR(marker(62).getPosition().y, 332.7f, kTolerance);
    EXPECT_NEAR(marker(63).getPosition().y, 21.818182f, kTolerance);
}

TEST_F(ReadyDisplay, TakesAnOutputOnlyOnceHalfASecondHasPassed)
{
    // Outputs every 0.1 s of frame time; the frame analyses, then its time is added.
    for (std::uint8_t frame = 0; frame <= 10; ++frame) {
        const std::vector<NoteEnergy> output{{static_cast<std::uint8_t>(40 + frame), 0.0}};
        display.update(viewOf(output));
        display.advance(0.1f);

        const std::uint32_t shown = frame < 5 ? 0 : frame < 10 ? 45 : 50;
        if (shown == 0)
            EXPECT_TRUE(display.getActiveNotes().empty()) << "frame " << int(frame);
        else
            EXPECT_EQ(display.getActiveNotes(), std::vector<std::uint32_t>{shown}) << "frame " << int(frame);
    }
}

TEST_F(ReadyDisplay, DropsTimeBeyondHalfASecondAtARefresh)
{
    display.advance(3.f);
    display.update(viewOf({{60, 0.0}}));
    EXPECT_EQ(display.getRefreshTimer(), 0.f);
    display.advance(0.4f);
    display.update(viewOf({{61, 0.0}}));
    EXPECT_EQ(display.getActiveNotes(), std::vector<std::uint32_t>{60});
}

TEST_F(ReadyDisplay, AbsentNoteVanishesAndItsCellIsReusedWhenItReturns)
{
    show({{60, 0.0}, {62, 0.1}});
    const NoteCell* cell = display.getCell(62);
    ASSERT_NE(cell, nullptr);

    show({{60, 0.0}});
    EXPECT_EQ(display.getActiveNotes(), std::vector<std::uint32_t>{60});
    EXPECT_EQ(display.getCell(62), cell) << "kept while absent";

    show({{62, 0.25}});
    EXPECT_EQ(display.getCell(62), cell);
    EXPECT_NEAR(cell->marker.getPosition().y, 0.25f * 384.f + 21.818182f, kTolerance);
    EXPECT_EQ(display.getActiveNotes(), std::vector<std::uint32_t>{62});

    show({});
    EXPECT_TRUE(display.getActiveNotes().empty());
}

TEST_F(ReadyDisplay, IgnoresNotesBeyondTheMidiRangeAndEnergiesThatAreNotNumbers)
{
    const double inf = std::numeric_limits<double>::infinity();
    show({{127, 0.0},
          {128, 0.0},
          {200, 0.1},
          {255, 0.2},
          {70, std::numeric_limits<double>::quiet_NaN()},
          {71, inf},
          {72, -inf},
          {73, 1e300},
          {74, 1e30}});

    EXPECT_EQ(display.getActiveNotes(), (std::vector<std::uint32_t>{127, 74}));
    for (std::uint32_t note : {70u, 71u, 72u, 73u, 128u, 200u, 255u})
        EXPECT_EQ(display.getCell(note), nullptr) << note;
    EXPECT_TRUE(std::isfinite(marker(74).getPosition().y));
}

TEST_F(ReadyDisplay, TrackedNotesAreMarkedWithTheirNamesEveryFrame)
{
    show({{69, 0.3}});
    const std::vector<ActiveNote_t> first{{69, 100, -6.0}, {73, 90, -9.0}, {200, 90, -9.0}};
    display.setTrackedNotes({first.data(), first.size()});
    EXPECT_TRUE(display.isTracked(69));
    EXPECT_TRUE(display.isTracked(73)); // tracked without a mapper square of its own
    EXPECT_FALSE(display.isTracked(200));
    EXPECT_FALSE(display.isTracked(70));
    ASSERT_NE(display.getTrackedName(73), nullptr);
    EXPECT_EQ(display.getTrackedName(69)->getString().toAnsiString(), "A4");
    EXPECT_EQ(display.getTrackedName(73)->getString().toAnsiString(), "C#5");
    EXPECT_GE(display.getTrackedName(69)->getCharacterSize(), 12u);

    // The next frame's notes replace these, without waiting for the refresh timer.
    const std::vector<ActiveNote_t> second{{73, 90, -9.0}};
    display.setTrackedNotes({second.data(), second.size()});
    EXPECT_FALSE(display.isTracked(69));
    EXPECT_EQ(display.getTrackedName(69), nullptr);
    EXPECT_TRUE(display.isTracked(73));
    display.setTrackedNotes({});
    EXPECT_FALSE(display.isTracked(73));
}

// The hover readout names the square under the mouse: a mapper square, a
// tracked note's outline on the baseline, or nothing; the display's own
// placement is taken into account.
TEST_F(ReadyDisplay, NoteAtFindsTheSquareOrTrackedOutlineUnderAPoint)
{
    show({{60, 0.5}, {61, 0.0}});
    const std::vector<ActiveNote_t> tracked{{64, 100, -6.0}};
    display.setTrackedNotes({tracked.data(), tracked.size()});
    display.setPosition(0.f, 20.f);
    const sf::Vector2f offset(0.f, 20.f);
    const auto centreOf = [&](std::uint32_t note, double energy) {
        return noteMarkerPosition(note, energy) +
               sf::Vector2f(midilayout::halfKeyWidth - midilayout::markerOriginX, 0.f) + offset;
    };
    struct Case {
        const char* where;
        sf::Vector2f point;
        std::int32_t note;
    };
    const Case cases[] = {
        {"square of 60", centreOf(60, 0.5), 60},
        {"square of 61 on the baseline", centreOf(61, 0.0), 61},
        {"outline of tracked 64, no square", centreOf(64, 0.0), 64},
        {"below the square of 61", centreOf(61, 0.0) + sf::Vector2f(0.f, midilayout::keyWidth), -1},
        {"column of 62, nothing shown", centreOf(62, 0.0), -1},
        {"without the display's offset", centreOf(60, 0.5) - offset - sf::Vector2f(0.f, midilayout::keyWidth), -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(display.noteAt(c.point), c.note) << c.where;
}

} // namespace
} // namespace dravik
