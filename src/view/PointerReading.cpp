#include "view/PointerReading.h"

namespace dravik {

void PointerReading::track(const sf::Event& event)
{
    if (event.type == sf::Event::MouseMoved) {
        inWindow = true;
        pixel = {event.mouseMove.x, event.mouseMove.y};
    } else if (event.type == sf::Event::MouseLeft) {
        inWindow = false;
    }
}

void PointerReading::read(const sf::RenderWindow& window, const sf::View& world, const FFTDebugView& spectrum,
                          const MidiDisplay& notes)
{
    reading = CursorReading_t{false, 0.0, false, 0.0};
    hoveredNote = -1;
    if (!inWindow)
        return;
    const sf::Vector2f point = window.mapPixelToCoords(pixel, world);
    reading = spectrum.readAt(point);
    hoveredNote = notes.noteAt(point);
}

} // namespace dravik
