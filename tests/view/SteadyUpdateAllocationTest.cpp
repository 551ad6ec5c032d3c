#include "view/FFTDebugView.h"
#include "view/HistoryPane.h"

#include "view/MidiDisplay.h"
#include <SFML/Window/Context.hpp>

#include "AllocationCounter.h"
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace dravik {
namespace {

TEST(SteadyUpdate, SpectrumViewReusesItsBuffersAndLabels)
{
    FFTDebugView view;
    testing::configureAsScene(view);
    std::vector<SpectrumBin> bins = testing::flatSpectrum(0.1);
    view.update(testing::framed(view, bins)); // first hop: buffers, glyphs and labels are made

    const std::uint64_t count = testing::allocationsDuring([&] {
        for (int hop = 0; hop < 20; ++hop) {
            bins[100 + hop].power = 0.8; // the picture changes, its shape does not
            view.update(testing::framed(view, bins));
        }
    });
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(view.getLinearLabels().size(), 16u);
    EXPECT_EQ(view.getLogLabels().size(), 5u);
}

TEST(SteadyUpdate, SpectrumViewOnTheLogAxisInDecibelsReusesItsBuffersAndLabels)
{
    FFTDebugView view;
    testing::configureAsScene(view);
    view.setFrequencyScale(FrequencyScale::Logarithmic);
    view.setPowerScale(PowerScale::Decibels);
    std::vector<SpectrumBin> bins = testing::flatSpectrum(0.001);
    view.update(testing::framed(view, bins));

    const std::uint64_t count = testing::allocationsDuring([&] {
        for (int hop = 0; hop < 20; ++hop) {
            bins[100 + hop].power = 0.8;
            view.update(testing::framed(view, bins));
            const CursorReading_t reading = view.readAt({300.f + hop, 200.f});
            ASSERT_TRUE(reading.hasLevel);
        }
    });
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(view.getLevelLabels().size(), 7u);
}

TEST(SteadyUpdate, MidiDisplayRefreshOfKnownNotesAllocatesNothing)
{
    MidiDisplay display;
    std::vector<NoteEnergy> notes;
    for (std::uint8_t note = 12; note <= 113; ++note)
        notes.push_back({note, 0.01 * (note % 7)});
    display.advance(0.5f);
    display.update({notes.data(), notes.size()}); // first show: the cells are made

    const std::uint64_t count = testing::allocationsDuring([&] {
        for (int refresh = 0; refresh < 20; ++refresh) {
            for (NoteEnergy& element : notes)
                element.energy = 0.001 * refresh;
            display.advance(0.5f);
            display.update({notes.data(), notes.size()});
        }
    });
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(display.getActiveNotes().size(), 102u);
}

// Each frame of a melody: a new column written to the texture, notes coming
// and going, the bars, names and time lines laid out again.
TEST(SteadyUpdate, HistoryFrameAllocatesNothing)
{
    // The scene writes the texture with the window's context active.
    sf::Context context;
    HistoryPane pane;
    pane.display().setHeight(384.f);
    const std::vector<SpectrumBin> bins = testing::flatSpectrum(0.001, 8193);
    std::vector<ActiveNote_t> active;
    double now = 0.0;
    const auto frame = [&](int i) {
        now += 1.0 / 60.0;
        NoteEvent_t events[2] = {{now, static_cast<std::uint8_t>(60 + (i / 20 - 1) % 12), 0},
                                 {now, static_cast<std::uint8_t>(60 + (i / 20) % 12), 90}};
        if (i % 20 == 0)
            pane.addNotes({events, 2}, 0.0);
        active.assign(1, ActiveNote_t{events[1].note, 90, -10.0});
        pane.addSpectrum(Spectrum_t{{bins.data(), bins.size()}, 44100.0, 16384}, now);
        pane.update({active.data(), active.size()}, now, now);
    };
    // The first frames fill the label rows; then a steady melody allocates nothing.
    for (int i = 0; i < 1200; ++i)
        frame(i);
    const std::uint64_t count = testing::allocationsDuring([&] {
        for (int i = 1200; i < 1800; ++i)
            frame(i);
    });
    EXPECT_EQ(count, 0u);
    EXPECT_GT(pane.display().barCount(), 10u);
}

} // namespace
} // namespace dravik
