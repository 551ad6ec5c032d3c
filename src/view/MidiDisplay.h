#pragma once

#include "mapping/NoteEnergy.h"
#include "tracking/NoteEvent.h"

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Drawable.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/Text.hpp>
#include <SFML/Graphics/Transformable.hpp>
#include <SFML/System/Vector2.hpp>

#include <array>
#include <cfloat>
#include <cstdint>
#include <memory>
#include <vector>

namespace dravik {

// Layout of the note display, in multiples of one note's horizontal pitch.
namespace midilayout {
inline constexpr float keyWidth = 14.545455f; // 160 / 11
inline constexpr float halfKeyWidth = 7.2727275f;
inline constexpr float markerDrop = 21.818182f;     // 1.5 keys: square centre at energy 0
inline constexpr float baselineLength = 1294.5454f; // 89 keys, notes 24 to 112
inline constexpr float baselineRight = 1300.8182f;  // 89.5 keys less 1: right end of note 112
inline constexpr float energyDrop = 384.f;          // units down per unit of energy
inline constexpr std::int32_t firstBaselineNote = 24;
inline constexpr float markerOriginX = 1.f; // a square's origin, right of its left edge
inline constexpr unsigned labelCharacterSize = 7;
inline constexpr unsigned nameCharacterSize = 12; // tracked notes' names under their squares
inline constexpr float trackedOutline = 2.f;
inline constexpr std::size_t noteCount = 128; // MIDI notes 0 to 127
} // namespace midilayout

// Position of a note's square (its origin sits 1 unit right of its left edge
// and half a key below its top): one column per note, lower for more energy.
sf::Vector2f noteMarkerPosition(std::uint32_t note, double energy);

// Left edge of a note's column, where its square starts: columns of one
// keyWidth each, from note 24's at 6.27 onwards (and leftwards below it).
float noteColumnLeft(std::int32_t note);

// Light blue for odd notes, white for even ones.
sf::Color noteMarkerColour(std::uint32_t note);

// Whether a mapper output element can be shown: a MIDI note (below 128) with
// an energy that is a finite number within the float range.
bool isShownNote(const NoteEnergy& element);

// One note's drawables.
struct NoteCell {
    sf::Text label;            // the note number
    sf::RectangleShape marker; // the square
};

// The notes of the latest taken mapper output as squares hanging from a
// magenta baseline. It takes a new output at most every half second.
class MidiDisplay : public sf::Drawable, public sf::Transformable {
public:
    MidiDisplay();
    // The cells' labels point at this display's own font.
    MidiDisplay(const MidiDisplay&) = delete;
    MidiDisplay& operator=(const MidiDisplay&) = delete;

    static constexpr float refreshInterval = 0.5f; // seconds

    // Adds frame time to the refresh timer.
    void advance(float seconds);
    // Takes the mapper output if the refresh timer has reached half a second.
    void update(NoteEnergyView notes);
    // The lowest a square's centre may hang, in local units: louder notes stop
    // there, as the spectrum stops at its plot's edge. Applies from the next update.
    void setMarkerFloor(float y) { markerFloor = y; }

    float getRefreshTimer() const { return refreshTimer; }
    const std::vector<std::uint32_t>& getActiveNotes() const { return activeNotes; }
    // The note's cell, or null if the note was never shown or is not a MIDI note.
    const NoteCell* getCell(std::uint32_t note) const;
    const sf::RectangleShape& getBaseline() const { return baseline; }

    // The notes the tracker hears now: outlined, with their names (A4, C#5)
    // under their squares. Taken every frame, not by the refresh timer.
    void setTrackedNotes(ActiveNoteView notes);
    bool isTracked(std::uint32_t note) const { return note < midilayout::noteCount && tracked[note]; }
    // The note whose square (or, for a tracked note without one, whose
    // outline on the baseline) holds a point in the parent's coordinates; -1
    // for none. Where squares overlap the one drawn on top wins.
    std::int32_t noteAt(sf::Vector2f point) const;
    // A tracked note's name label, or null if the note is not tracked now.
    const sf::Text* getTrackedName(std::uint32_t note) const;

private:
    void updateNote(const NoteEnergy& element);
    // Where a tracked note's outline and name sit: on its square when the
    // note has one, else on the baseline.
    sf::Vector2f trackedPosition(std::uint32_t note) const;
    void draw(sf::RenderTarget& target, sf::RenderStates states) const override;

    sf::Font font;
    sf::RectangleShape baseline;
    float refreshTimer = 0.f; // seconds since the last output taken
    float markerFloor = FLT_MAX;
    std::array<std::unique_ptr<NoteCell>, midilayout::noteCount> cells; // by note, made on first show
    std::vector<std::uint32_t> activeNotes;                             // drawn, in the order of the output taken
    std::array<bool, midilayout::noteCount> tracked{};
    std::array<std::unique_ptr<sf::Text>, midilayout::noteCount> names; // by note, made when first tracked
    sf::RectangleShape outline;
};

} // namespace dravik
