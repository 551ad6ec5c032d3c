#include "view/MidiDisplay.h"

#include "EmbeddedResources.h"
#include "analysis/NoteReading.h"

#include <SFML/Graphics/RenderTarget.hpp>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

namespace dravik {

using namespace midilayout;

sf::Vector2f noteMarkerPosition(std::uint32_t note, double energy)
{
    const float column = static_cast<float>(note) - static_cast<float>(firstBaselineNote);
    // Clamped so that narrowing stays defined; such squares are off any view anyway.
    const double drop = std::clamp(energy, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX));
    return {column * keyWidth + halfKeyWidth, static_cast<float>(drop) * energyDrop + markerDrop};
}

float noteColumnLeft(std::int32_t note)
{
    const float column = static_cast<float>(note) - static_cast<float>(firstBaselineNote);
    return column * keyWidth + halfKeyWidth - markerOriginX;
}

sf::Color noteMarkerColour(std::uint32_t note)
{
    return note % 2 == 1 ? sf::Color(166, 201, 236, 255) : sf::Color::White;
}

bool isShownNote(const NoteEnergy& element)
{
    return element.note < noteCount && std::fabs(element.energy) <= static_cast<double>(FLT_MAX);
}

MidiDisplay::MidiDisplay()
{
    // A font that fails to open leaves the labels blank; the display works on.
    const resources::ByteView bytes = resources::font();
    font.loadFromMemory(bytes.data, bytes.size);

    // Rotated a quarter turn clockwise: a bar 1 unit thick whose top edge lies
    // at one key's height, spanning the squares of notes 24 to 112.
    baseline.setSize({1.f, baselineLength});
    baseline.setRotation(90.f);
    baseline.setFillColor(sf::Color::Magenta);
    baseline.setOutlineThickness(0.f);
    baseline.setPosition(baselineRight, keyWidth);

    activeNotes.reserve(noteCount);

    outline.setSize({keyWidth - 2.f * trackedOutline, keyWidth - 2.f * trackedOutline});
    outline.setFillColor(sf::Color::Transparent);
    outline.setOutlineColor(sf::Color(255, 170, 0));
    outline.setOutlineThickness(trackedOutline);
    outline.setOrigin(markerOriginX - trackedOutline, halfKeyWidth - trackedOutline);
}

void MidiDisplay::setTrackedNotes(ActiveNoteView notes)
{
    tracked.fill(false);
    for (const ActiveNote_t& active : notes) {
        if (active.note >= noteCount)
            continue;
        tracked[active.note] = true;
        std::unique_ptr<sf::Text>& name = names[active.note];
        if (!name) {
            name = std::make_unique<sf::Text>(noteName(active.note).c_str(), font, nameCharacterSize);
            name->setFillColor(sf::Color(255, 170, 0));
            // Centred under the square, relative to the square's origin.
            const sf::FloatRect bounds = name->getLocalBounds();
            name->setPosition((keyWidth - bounds.width) / 2.f - bounds.left - markerOriginX, halfKeyWidth + 2.f);
        }
    }
}

const sf::Text* MidiDisplay::getTrackedName(std::uint32_t note) const
{
    return isTracked(note) ? names[note].get() : nullptr;
}

std::int32_t MidiDisplay::noteAt(sf::Vector2f point) const
{
    const sf::Vector2f local = getInverseTransform().transformPoint(point);
    // Tracked outlines are drawn last, then the squares in output order.
    for (std::uint32_t note = noteCount; note-- > 0;) {
        if (!tracked[note])
            continue;
        sf::Transform at;
        at.translate(trackedPosition(note)).combine(outline.getTransform());
        if (at.transformRect(outline.getLocalBounds()).contains(local))
            return static_cast<std::int32_t>(note);
    }
    for (auto it = activeNotes.rbegin(); it != activeNotes.rend(); ++it) {
        if (cells[*it]->marker.getGlobalBounds().contains(local))
            return static_cast<std::int32_t>(*it);
    }
    return -1;
}

sf::Vector2f MidiDisplay::trackedPosition(std::uint32_t note) const
{
    return cells[note] ? cells[note]->marker.getPosition() : noteMarkerPosition(note, 0.0);
}

void MidiDisplay::advance(float seconds)
{
    refreshTimer += seconds;
}

void MidiDisplay::update(NoteEnergyView notes)
{
    if (refreshTimer < refreshInterval)
        return;
    refreshTimer = 0.f;
    activeNotes.clear();
    for (const NoteEnergy& element : notes) {
        // No slot for notes past 127, and no place for a square at NaN or infinity.
        if (!isShownNote(element))
            continue;
        activeNotes.push_back(element.note);
        updateNote(element);
    }
}

const NoteCell* MidiDisplay::getCell(std::uint32_t note) const
{
    return note < noteCount ? cells[note].get() : nullptr;
}

void MidiDisplay::updateNote(const NoteEnergy& element)
{
    const std::uint32_t note = element.note;
    std::unique_ptr<NoteCell>& cell = cells[note];
    if (!cell) {
        // A cell's note never changes: only its position depends on the energy.
        cell = std::make_unique<NoteCell>(NoteCell{sf::Text(std::to_string(note), font, labelCharacterSize),
                                                   sf::RectangleShape({keyWidth, keyWidth})});
        cell->label.setFillColor(sf::Color::Black);
        cell->marker.setFillColor(noteMarkerColour(note));
        cell->marker.setOrigin(markerOriginX, halfKeyWidth);
    }
    sf::Vector2f position = noteMarkerPosition(note, element.energy);
    // Between the baseline (energy 0) and the floor.
    position.y = std::max(markerDrop, std::min(position.y, markerFloor));
    cell->marker.setPosition(position);
    cell->label.setPosition(position);
}

void MidiDisplay::draw(sf::RenderTarget& target, sf::RenderStates states) const
{
    states.transform *= getTransform();
    for (const std::uint32_t note : activeNotes) {
        target.draw(cells[note]->marker, states);
        target.draw(cells[note]->label, states);
    }
    target.draw(baseline, states);
    // A tracked note sits on its square when the mapper shows it, else on the baseline.
    for (std::uint32_t note = 0; note < noteCount; ++note) {
        if (!tracked[note])
            continue;
        sf::RenderStates at = states;
        at.transform.translate(trackedPosition(note));
        target.draw(outline, at);
        target.draw(*names[note], at);
    }
}

} // namespace dravik
