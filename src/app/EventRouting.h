#pragma once

#include "source/SourceStage.h"

#include <SFML/Window/Event.hpp>

#include <optional>

namespace dravik {

// Whether an event reaches the drawing's pan and zoom: not a wheel turn, a
// press or a move that a panel under the mouse takes (uiWantsMouse), so panels
// own the mouse they are under. A release always passes, so a drag that began
// on the drawing ends wherever the button comes up.
bool drawingTakesEvent(const sf::Event& event, bool uiWantsMouse);

// The file's transport keys: Space plays and pauses, Left and Right seek.
std::optional<TransportKey> transportKeyFor(sf::Keyboard::Key key);

} // namespace dravik
