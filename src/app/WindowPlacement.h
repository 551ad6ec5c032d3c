#pragma once

#include <SFML/System/Vector2.hpp>

namespace dravik {

// Top-left position that centres a window on the desktop, kept on-screen (not
// above or left of the desktop) when the window is larger than the desktop.
sf::Vector2i centredWindowPosition(sf::Vector2u desktopSize, sf::Vector2u windowSize);

} // namespace dravik
