#pragma once

#include <SFML/Graphics/Image.hpp>
#include <SFML/Window/ContextSettings.hpp>
#include <SFML/Window/VideoMode.hpp>

#include <cstdint>
#include <string>

namespace dravik {

// The window the frame loop creates.
struct WindowSettings {
    sf::ContextSettings context;
    sf::VideoMode videoMode;
    std::string title;
    std::uint8_t frameRateLimit = 0;
    // Not owned; null means the window keeps the system's icon.
    const sf::Image* icon = nullptr;
};

} // namespace dravik
