#include "app/ViewState.h"

#include <SFML/Graphics/RenderTarget.hpp>
#include <SFML/Window/Event.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace dravik {

namespace {

// One wheel notch forward: the float with bit pattern 0x3F68BA2E, one step
// below the float nearest to 1 / 1.1.
constexpr float zoomInBase = 0.909090877f;
constexpr float zoomOutBase = 1.1f;
constexpr float minZoom = 0.05f;
constexpr float maxZoom = 50.0f;

bool pan(ViewState& state, const sf::RenderTarget& target, sf::Vector2i position)
{
    const int dx = position.x - state.lastMousePosition.x;
    const int dy = position.y - state.lastMousePosition.y;
    if (dx == 0 && dy == 0)
        return true;

    const sf::Vector2u targetSize = target.getSize();
    const sf::FloatRect& viewport = state.view.getViewport();
    const sf::Vector2f& viewSize = state.view.getSize();
    // The divisor stays at 1 or above, so a tiny or empty target pans finitely.
    const float pixelsX = std::max(static_cast<float>(targetSize.x) * viewport.width, 1.0f);
    const float pixelsY = std::max(static_cast<float>(targetSize.y) * viewport.height, 1.0f);
    const float offsetX = static_cast<float>(-dx) * (viewSize.x / pixelsX);
    const float offsetY = static_cast<float>(-dy) * (viewSize.y / pixelsY);

    state.view.move(offsetX, offsetY);
    state.lastMousePosition = position;
    return true;
}

bool zoomAbout(ViewState& state, const sf::RenderTarget& target, float delta, sf::Vector2i position)
{
    const float base = delta > 0.0f ? zoomInBase : zoomOutBase;
    const float factor = std::pow(base, std::fabs(delta));
    const float newZoom = factor * state.zoom;
    if (newZoom < minZoom || newZoom > maxZoom)
        return true;

    // Keep the world point under the cursor where it is.
    const sf::Vector2f before = target.mapPixelToCoords(position, state.view);
    state.view.zoom(factor);
    const sf::Vector2f after = target.mapPixelToCoords(position, state.view);
    state.view.move(before - after);
    state.zoom = newZoom;
    return true;
}

} // namespace

void ViewState::reset(sf::Vector2u targetSize)
{
    const sf::Vector2f size(static_cast<float>(targetSize.x), static_cast<float>(targetSize.y));
    view.setSize(size);
    view.setCenter(size / 2.0f);
    view.setRotation(0.0f);
    zoom = 1.0f;
    dragging = false;
}

bool ViewState::handleEvent(sf::RenderTarget& target, const sf::Event& event)
{
    switch (event.type) {
    case sf::Event::Resized: {
        // The drawing keeps its place at the window's top-left corner and its
        // scale, and the window's new room opens to the right and below,
        // where the history and the side bar grow into it.
        const sf::Vector2f topLeft = view.getCenter() - view.getSize() / 2.0f;
        const sf::Vector2f size(static_cast<float>(event.size.width) * zoom,
                                static_cast<float>(event.size.height) * zoom);
        view.setSize(size);
        view.setCenter(topLeft + size / 2.0f);
        return true;
    }

    case sf::Event::MouseButtonPressed:
        if (event.mouseButton.button != sf::Mouse::Right)
            return false;
        dragging = true;
        lastMousePosition = {event.mouseButton.x, event.mouseButton.y};
        return true;

    case sf::Event::MouseButtonReleased:
        if (event.mouseButton.button != sf::Mouse::Right)
            return false;
        dragging = false;
        return true;

    case sf::Event::MouseMoved:
        if (!dragging)
            return false;
        return pan(*this, target, {event.mouseMove.x, event.mouseMove.y});

    case sf::Event::MouseWheelScrolled:
        if (event.mouseWheelScroll.wheel != sf::Mouse::VerticalWheel)
            return false;
        return zoomAbout(*this, target, event.mouseWheelScroll.delta,
                         {event.mouseWheelScroll.x, event.mouseWheelScroll.y});

    default:
        return false;
    }
}

} // namespace dravik
