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

std::optional<TransportKey> transportKeyFor(sf::Keyboard::Key key)
{
    switch (key) {
    case sf::Keyboard::Space:
        return TransportKey::PlayPause;
    case sf::Keyboard::Left:
        return TransportKey::Back;
    case sf::Keyboard::Right:
        return TransportKey::Forward;
    default:
        return std::nullopt;
    }
}

} // namespace dravik
