#pragma once

#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>

namespace sf {
class Event;
class RenderTarget;
} // namespace sf

namespace dravik {

// The world view and its pan-and-zoom interaction: a right-button drag pans,
// the vertical wheel zooms about the cursor.
struct ViewState {
    // Product of every accepted wheel factor; smaller means magnified.
    float zoom = 1.0f;
    bool dragging = false;
    // Window pixel of the drag's press, then of its last applied step.
    sf::Vector2i lastMousePosition{0, 0};
    sf::View view;

    // Pans or zooms `view` for the events this state acts on and returns true
    // for those (even when nothing changed); other events return false. A
    // resized window keeps the world point at its top-left corner and the
    // world units per pixel.
    bool handleEvent(sf::RenderTarget& target, const sf::Event& event);

    // The start view for a target of this size: one world unit per pixel,
    // world (0, 0) at the top left, zoom 1, no drag in progress.
    void reset(sf::Vector2u targetSize);
};

// A view in window pixels.
struct ScreenViewState {
    sf::View view;
};

} // namespace dravik
