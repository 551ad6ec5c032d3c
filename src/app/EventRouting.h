#pragma once

#include <SFML/Window/Event.hpp>

namespace dravik {

// Whether an event reaches the drawing's pan and zoom: not a wheel turn, a
// press or a move that a panel under the mouse takes (uiWantsMouse), so panels
// own the mouse they are under. A release always passes, so a drag that began
// on the drawing ends wherever the button comes up.
bool drawingTakesEvent(const sf::Event& event, bool uiWantsMouse);

} // namespace dravik
