#pragma once

#include "history/HistorySpans.h"
#include "history/LevelHistory.h"
#include "history/NoteHistory.h"
#include "tracking/NoteEvent.h"
#include "view/LabelRow.h"

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Drawable.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Rect.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <SFML/Graphics/Transformable.hpp>
#include <SFML/Graphics/Vertex.hpp>
#include <SFML/Window/GlResource.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace dravik {

namespace historylayout {
inline constexpr float keyboardHeight = 22.f; // the piano strip along the bottom
inline constexpr float blackKeyShare = 0.62f; // of the strip's height
inline constexpr unsigned nameCharacterSize = 11;
inline constexpr unsigned axisCharacterSize = 11;
inline constexpr float scaleWidth = 10.f; // the dB colour scale's strip
inline constexpr std::size_t maxNames = 96;
} // namespace historylayout

// Whether a MIDI note is a black key of a piano (C#, D#, F#, G#, A#).
bool isBlackKey(std::int32_t note);

// The colour of a dB value on the spectrogram's scale: dark blue at the
// floor through red and orange to pale yellow at the top.
sf::Color spectrogramColour(float decibels);

// How far apart the time lines of a span lie: 1 s for 5 s, 2 s for 10 s, 5 s for 30 s.
float timeLineStep(float spanSeconds);

// The music over time, under the spectrum, on the note row's columns: the
// latest seconds with the newest at the bottom, over a piano keyboard strip
// whose keys light while their notes sound. Time runs up the view, so the
// newest notes sit by the keyboard, clear of panels placed over its top. The
// spectrogram of the analyses fills the area, one texture row per analysis
// written as it comes; the tracked notes lie over it as named bars. Local x
// is the note row's x; local y 0 is the top of the time area.
class HistoryView : public sf::Drawable, public sf::Transformable, private sf::GlResource {
public:
    // The texture holds capacity rows of the layout's rowCount pixels.
    HistoryView(std::size_t capacity, const SpectrogramLayout_t& layout);
    HistoryView(const HistoryView&) = delete;
    HistoryView& operator=(const HistoryView&) = delete;

    // The height of the whole view, keyboard included.
    void setHeight(float height);
    float getHeight() const { return height; }
    // The time labels and the dB scale keep left of this local x (and of note
    // 112's column's right edge): left of what covers the view's right part.
    void setLabelRight(float x);
    void setSpan(float seconds);
    float getSpan() const { return span; }
    bool showSpectrogram = true;

    // Writes the history's newest column into its texture row: the only
    // texture upload per analysis.
    void addColumn(const LevelHistory& spectra);
    // Forgets what the texture shows (a new analysis), before the history is cleared.
    void clearColumns();
    // Lays out the bars, the visible spectrogram rows, the time lines and the
    // keyboard's lit keys for the time now (seconds on the history's clock).
    // Time lines are labelled labelOrigin - seconds before now, as m:ss when
    // labelOrigin is set (a file's play position), as "-N s" otherwise.
    void update(const NoteHistory& notes, const LevelHistory& spectra, ActiveNoteView active, double now,
                std::optional<double> labelOrigin);

    // The area above the keyboard, in local coordinates.
    sf::FloatRect getTimeArea() const;
    // Seconds before now at a point in the parent's coordinates; nothing
    // outside the time area.
    std::optional<double> secondsBeforeNowAt(sf::Vector2f point) const;
    // The local y of a time `before` seconds before now.
    float yOf(double before) const;

    const LabelRow& getNames() const { return names; }
    const LabelRow& getTimeLabels() const { return timeLabels; }
    std::size_t barCount() const { return barVertexCount / 4; }
    const sf::Vertex* barVertices() const { return bars.data(); }
    bool isLit(std::int32_t note) const;

private:
    void draw(sf::RenderTarget& target, sf::RenderStates states) const override;
    void buildStatic();
    // Where the time and scale labels end on the right.
    float labelRight() const;
    void layoutSpectrogram(const LevelHistory& spectra, double now);
    void layoutBars(const NoteHistory& notes, double now);
    void layoutTimeLines(std::optional<double> labelOrigin);
    void layoutKeys(ActiveNoteView active);

    sf::Font font;
    SpectrogramLayout_t rows;
    std::size_t capacity;
    float height = 360.f;
    float span = defaultHistorySpan;
    float left;  // note 24's column's left edge
    float right; // note 112's column's right edge
    float labelEdge;

    sf::Texture texture;
    // Held from the first column on: each texture update takes a transient
    // context lock, which allocates its state unless one is held already.
    std::optional<TransientContextLock> contextHold;
    bool textureReady = false;
    std::vector<std::uint8_t> rowPixels; // one texture row, reused
    std::vector<sf::Vertex> spectrogram; // quads, the first spectrogramVertexCount in use
    std::size_t spectrogramVertexCount = 0;
    std::vector<sf::Vertex> bars;
    std::size_t barVertexCount = 0;
    std::vector<sf::Vertex> keys; // the keyboard strip and the frame, built once
    std::vector<sf::Vertex> litKeys;
    std::size_t litVertexCount = 0;
    std::array<bool, 128> lit{};
    std::vector<sf::Vertex> scale; // the dB colour scale, built once
    std::vector<sf::Vertex> lines;
    std::size_t lineVertexCount = 0;
    LabelRow keyLabels;
    LabelRow scaleLabels;
    LabelRow timeLabels;
    LabelRow names;
    std::vector<sf::FloatRect> placedNames;
    std::vector<std::uint8_t> placedNameNotes;
    std::array<sf::Color, 256> colourTable; // the colour map in 256 steps of the scale
};

} // namespace dravik
