#include "app/EventRouting.h"

#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>

namespace dravik {
namespace {

// Panels own the mouse they are under: the drawing neither zooms nor starts a
// drag there, but a drag that began on the drawing always ends.
TEST(EventRouting, PanelsUnderTheMouseKeepItFromTheDrawing)
{
    struct Case {
        sf::Event::EventType type;
        bool uiWantsMouse;
        bool drawingTakesIt;
    };
    const Case cases[] = {
        {sf::Event::MouseWheelScrolled, true, false}, {sf::Event::MouseWheelScrolled, false, true},
        {sf::Event::MouseButtonPressed, true, false}, {sf::Event::MouseButtonPressed, false, true},
        {sf::Event::MouseMoved, true, false},         {sf::Event::MouseMoved, false, true},
        {sf::Event::MouseButtonReleased, true, true}, {sf::Event::Resized, true, true},
    };
    for (const Case& c : cases) {
        sf::Event event{};
        event.type = c.type;
        EXPECT_EQ(drawingTakesEvent(event, c.uiWantsMouse), c.drawingTakesIt)
            << "event " << c.type << ", ui wants mouse " << c.uiWantsMouse;
    }
}

} // namespace
} // namespace dravik
