#include "app/ApplicationScene.h"
#include "app/ViewContextImpl.h"

#include "AllocationCounter.h"
#include "DisplaySupport.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

namespace dravik {
namespace {

// Once running, an update reuses every buffer of the signal path, the panels,
// the drawables and the sound hand-over: steady updates allocate nothing.
// (Drawing is left out: SFML 2.5 itself allocates when it binds a texture.)
TEST(SceneAllocation, SteadyFramesAllocateNothing)
{
    if (!displaySet())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    ASSERT_TRUE(holdDisplay()) << "cannot connect to $DISPLAY";
    const TemporaryConfigHome config("alloc");

    ViewContextImpl viewContext;
    {
        ApplicationScene scene(viewContext);
        sf::RenderWindow window(sf::VideoMode(1280, 768), "dravik allocation test");
        scene.onStart(window);
        scene.sourceStage().generators().setEnabled(0, true);
        scene.sourceStage().generators().add();
        scene.sourceStage().generators().setEnabled(1, true);
        scene.setMuted(false);

        // Frames for a given time, so the note display refreshes (every half
        // second) while counting; returns the allocations made by updates.
        auto runFor = [&](std::chrono::milliseconds span) {
            const auto end = std::chrono::steady_clock::now() + span;
            std::uint64_t allocations = 0;
            for (int frames = 0; std::chrono::steady_clock::now() < end || frames < 3; ++frames) {
                allocations += testing::allocationsDuring([&] { scene.update(window, sf::Time::Zero); });
                window.clear();
                scene.render(window);
                window.display();
            }
            return allocations;
        };
        runFor(std::chrono::milliseconds(1200));
        ASSERT_FALSE(scene.noteDisplay().getActiveNotes().empty());
        EXPECT_EQ(runFor(std::chrono::milliseconds(1100)), 0u);

        // The same on the log axis in decibels, with the cursor readout shown.
        scene.spectrumView().setFrequencyScale(FrequencyScale::Logarithmic);
        scene.spectrumView().setPowerScale(PowerScale::Decibels);
        sf::Event move{};
        move.type = sf::Event::MouseMoved;
        move.mouseMove = {668, 200};
        scene.handleEvent(window, move);
        runFor(std::chrono::milliseconds(600));
        ASSERT_TRUE(scene.cursorReading().hasLevel);
        EXPECT_EQ(runFor(std::chrono::milliseconds(1100)), 0u) << "log axis, dB, cursor readout";

        window.close();
        scene.onStop(window);
    }
}

} // namespace
} // namespace dravik
