#include "app/SceneLayout.h"

#include "history/HistorySpans.h"
#include "panels/PanelLayout.h"
#include "view/FFTDebugView.h"
#include "view/HistoryView.h"
#include "view/MidiDisplay.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

constexpr float spectrumTop = 20.0f;
// Under the plot and its two rows of frequency labels.
constexpr float historyTop = 380.0f;
constexpr float minimumHistoryHeight = 384.0f;
// Between the history's bottom edge and the window's.
constexpr float bottomMargin = 4.0f;
// Between the history's labels and the side bar.
constexpr float labelGap = 6.0f;

} // namespace

SceneLayout_t sceneLayout(sf::Vector2u windowSize)
{
    const float width = static_cast<float>(windowSize.x);
    const float height = static_cast<float>(windowSize.y);
    SceneLayout_t layout{};
    layout.historyTop = historyTop;
    layout.historyHeight = std::max(minimumHistoryHeight, height - historyTop - bottomMargin);
    layout.labelRight = width - sideBarWidth - labelGap;
    // The time area runs from the history's top to its keyboard, the newest
    // time at the bottom: the side bar stops where the clear seconds begin.
    const float timeArea = layout.historyHeight - historylayout::keyboardHeight;
    layout.sideBarBottom = std::floor(historyTop + timeArea * (1.0f - clearNewestSeconds / defaultHistorySpan));
    return layout;
}

void placeScene(sf::Vector2u windowSize, FFTDebugView& spectrum, MidiDisplay& notes, HistoryView& history,
                PanelLayout& panels)
{
    const SceneLayout_t layout = sceneLayout(windowSize);
    spectrum.setPosition(0.0f, spectrumTop);
    // Loud notes stop at the plot's bottom edge instead of leaving it.
    const sf::FloatRect plot = spectrum.getPlotRect();
    notes.setMarkerFloor(spectrum.getPosition().y + plot.top + plot.height - midilayout::halfKeyWidth);
    history.setPosition(0.0f, layout.historyTop);
    history.setHeight(layout.historyHeight);
    history.setLabelRight(layout.labelRight);
    panels.setSideBarBottom(layout.sideBarBottom);
}

} // namespace dravik
