#include "app/EventRouting.h"

namespace dravik {

bool drawingTakesEvent(const sf::Event& event, bool uiWantsMouse)
{
    switch (event.type) {
    case sf::Event::MouseWheelScrolled:
    case sf::Event::MouseButtonPressed:
    case sf::Event::MouseMoved:
        return !uiWantsMouse;
    default:
        return true;
    }
}

} // namespace dravik
