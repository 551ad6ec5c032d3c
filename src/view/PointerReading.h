#pragma once

#include "view/FFTDebugView.h"
#include "view/MidiDisplay.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/View.hpp>
#include <SFML/Window/Event.hpp>

#include <cstdint>

namespace dravik {

// What lies under the mouse pointer: the pointer is followed through the
// window's events, and the spectrum and the note row are read under it once a
// frame, through the world view, so pan and zoom are respected.
class PointerReading {
public:
    void track(const sf::Event& event);
    void read(const sf::RenderWindow& window, const sf::View& world, const FFTDebugView& spectrum,
              const MidiDisplay& notes);

    const CursorReading_t& cursor() const { return reading; }
    // The note square under the pointer, -1 for none.
    std::int32_t note() const { return hoveredNote; }

private:
    bool inWindow = false;
    sf::Vector2i pixel;
    CursorReading_t reading{false, 0.0, false, 0.0};
    std::int32_t hoveredNote = -1;
};

} // namespace dravik
