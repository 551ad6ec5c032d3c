#include "view/FFTDebugView.h"
#include "view/MidiDisplay.h"

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
    view.update(testing::viewOf(bins)); // first hop: buffers, glyphs and labels are made

    const std::uint64_t count = testing::allocationsDuring([&] {
        for (int hop = 0; hop < 20; ++hop) {
            bins[100 + hop].power = 0.8; // the picture changes, its shape does not
            view.update(testing::viewOf(bins));
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
    view.update(testing::viewOf(bins));

    const std::uint64_t count = testing::allocationsDuring([&] {
        for (int hop = 0; hop < 20; ++hop) {
            bins[100 + hop].power = 0.8;
            view.update(testing::viewOf(bins));
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

} // namespace
} // namespace dravik
