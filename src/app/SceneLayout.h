#pragma once

#include <SFML/System/Vector2.hpp>

namespace dravik {

class FFTDebugView;
class HistoryView;
class MidiDisplay;
class PanelLayout;

// The window the program opens.
inline constexpr unsigned defaultWindowWidth = 1280;
inline constexpr unsigned defaultWindowHeight = 768;

// Where the drawing and the side bar go in a window, in window pixels at the
// start view (world units then equal pixels). The spectrum and its note row
// keep their size at the top left; the history lies under them down to the
// window's bottom edge; the panels' side bar covers the window's right edge
// down to sideBarBottom, which leaves the history's newest seconds (the band
// above its keyboard) clear across the whole width.
struct SceneLayout_t {
    float historyTop;
    float historyHeight; // keyboard included
    float labelRight;    // the history's time labels and dB scale end left of the side bar
    float sideBarBottom;
};

// The newest seconds of the history, at its default span, that the side bar leaves clear.
inline constexpr float clearNewestSeconds = 2.0f;

SceneLayout_t sceneLayout(sf::Vector2u windowSize);

// Places the drawables and the side bar for a window of this size.
void placeScene(sf::Vector2u windowSize, FFTDebugView& spectrum, MidiDisplay& notes, HistoryView& history,
                PanelLayout& panels);

} // namespace dravik
