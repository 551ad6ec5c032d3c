#include "view/HistoryView.h"

#include "EmbeddedResources.h"
#include "view/MidiDisplay.h"

#include <SFML/Graphics/RenderTarget.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dravik {

using namespace historylayout;

namespace {

const sf::Color frameColour{100, 100, 100, 255};
const sf::Color timeLineColour{90, 90, 90, 160};
const sf::Color timeLabelColour{170, 170, 170, 255};
const sf::Color whiteKeyColour{235, 235, 235, 255};
const sf::Color blackKeyColour{20, 20, 20, 255};
const sf::Color keyEdgeColour{120, 120, 120, 255};
const sf::Color litColour{255, 170, 0, 255};
// Opaque and with no blue, so no colour of the spectrogram's map is taken for a bar.
const sf::Color soundingBarColour{255, 190, 0, 255};
const sf::Color endedBarColour{235, 140, 0, 255};
const sf::Color nameColour{255, 255, 255, 255};

// Columns more than this far apart (a pause, a new source) are not stretched over the gap.
constexpr double longestColumnSeconds = 0.25;
constexpr float nameGap = 2.f;
constexpr float minBarHeight = 2.f;
constexpr float maxRunPixels = 8.f; // the tallest quad of neighbouring spectrogram columns

void appendQuad(std::vector<sf::Vertex>& to, float x0, float y0, float x1, float y1, sf::Color colour)
{
    to.push_back(sf::Vertex({x0, y0}, colour));
    to.push_back(sf::Vertex({x1, y0}, colour));
    to.push_back(sf::Vertex({x1, y1}, colour));
    to.push_back(sf::Vertex({x0, y1}, colour));
}

void writeQuad(sf::Vertex* at, float x0, float y0, float x1, float y1, sf::Color colour)
{
    at[0].position = {x0, y0};
    at[1].position = {x1, y0};
    at[2].position = {x1, y1};
    at[3].position = {x0, y1};
    for (int i = 0; i < 4; ++i)
        at[i].color = colour;
}

// Names are centred on their columns and under three columns wide, so only
// names a few notes apart can touch.
bool collides(const sf::FloatRect& bounds, std::uint8_t note, const std::vector<sf::FloatRect>& placed,
              const std::vector<std::uint8_t>& placedNotes)
{
    const sf::FloatRect grown{bounds.left - nameGap, bounds.top - nameGap, bounds.width + 2.f * nameGap,
                              bounds.height + 2.f * nameGap};
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (std::abs(static_cast<int>(placedNotes[i]) - static_cast<int>(note)) <= 3 && grown.intersects(placed[i]))
            return true;
    }
    return false;
}

} // namespace

bool isBlackKey(std::int32_t note)
{
    const std::int32_t pitchClass = ((note % 12) + 12) % 12;
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

sf::Color spectrogramColour(float decibels)
{
    // Stops of the map from the floor (0) to the top (1).
    struct Stop {
        float at;
        sf::Uint8 r, g, b;
    };
    static constexpr Stop stops[] = {{0.00f, 10, 10, 30},  {0.35f, 40, 20, 110},  {0.55f, 150, 30, 110},
                                     {0.72f, 230, 80, 40}, {0.87f, 250, 180, 40}, {1.00f, 255, 255, 200}};
    float t = (decibels - spectrogramscale::floorDb) / (spectrogramscale::topDb - spectrogramscale::floorDb);
    t = std::isfinite(t) ? std::clamp(t, 0.f, 1.f) : 0.f;
    std::size_t i = 1;
    while (i + 1 < std::size(stops) && stops[i].at < t)
        ++i;
    const Stop& a = stops[i - 1];
    const Stop& b = stops[i];
    const float f = (t - a.at) / (b.at - a.at);
    const auto mix = [f](sf::Uint8 x, sf::Uint8 y) {
        return static_cast<sf::Uint8>(std::lround(static_cast<float>(x) + f * (static_cast<float>(y) - x)));
    };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), 255};
}

float timeLineStep(float spanSeconds)
{
    if (spanSeconds <= 5.f)
        return 1.f;
    if (spanSeconds <= 10.f)
        return 2.f;
    return 5.f;
}

HistoryView::HistoryView(std::size_t capacity, const SpectrogramLayout_t& layout)
    : rows(layout)
    , capacity(std::max<std::size_t>(capacity, 1))
    , left(noteColumnLeft(layout.firstNote))
    , right(noteColumnLeft(layout.lastNote) + midilayout::keyWidth)
    , labelEdge(right)
{
    // A font that fails to open leaves the labels blank; the view works on.
    const resources::ByteView bytes = resources::font();
    font.loadFromMemory(bytes.data, bytes.size);

    const auto width = static_cast<unsigned>(rows.rowCount());
    const auto height = static_cast<unsigned>(std::min<std::size_t>(this->capacity, sf::Texture::getMaximumSize()));
    for (std::size_t i = 0; i < colourTable.size(); ++i) {
        const float share = static_cast<float>(i) / static_cast<float>(colourTable.size() - 1);
        colourTable[i] = spectrogramColour(spectrogramscale::floorDb +
                                           share * (spectrogramscale::topDb - spectrogramscale::floorDb));
    }
    textureReady = texture.create(width, height);
    clearColumns();
    rowPixels.resize(rows.rowCount() * 4);
    spectrogram.resize(this->capacity * 4);
    bars.resize(1024 * 4);
    litKeys.resize(128 * 4);
    lines.resize(64 * 4);
    placedNames.reserve(maxNames);
    placedNameNotes.reserve(maxNames);
    buildStatic();
}

void HistoryView::clearColumns()
{
    if (!textureReady)
        return;
    const sf::Vector2u size = texture.getSize();
    const sf::Color floor = spectrogramColour(spectrogramscale::floorDb);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size.x) * size.y * 4);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = floor.r;
        pixels[i + 1] = floor.g;
        pixels[i + 2] = floor.b;
        pixels[i + 3] = 255;
    }
    texture.update(pixels.data());
}

void HistoryView::setHeight(float value)
{
    height = std::max(value, keyboardHeight + 20.f);
    buildStatic();
}

void HistoryView::setSpan(float seconds)
{
    if (std::isfinite(seconds) && seconds > 0.f)
        span = seconds;
}

void HistoryView::setLabelRight(float x)
{
    if (!std::isfinite(x))
        return;
    labelEdge = x;
    buildStatic();
}

float HistoryView::labelRight() const
{
    return std::min(right, labelEdge);
}

sf::FloatRect HistoryView::getTimeArea() const
{
    return {left, 0.f, right - left, height - keyboardHeight};
}

float HistoryView::yOf(double before) const
{
    const float area = height - keyboardHeight;
    return area - static_cast<float>(before / span) * area;
}

std::optional<double> HistoryView::secondsBeforeNowAt(sf::Vector2f point) const
{
    const sf::Vector2f local = getInverseTransform().transformPoint(point);
    const sf::FloatRect area = getTimeArea();
    if (!area.contains(local))
        return std::nullopt;
    return static_cast<double>((area.top + area.height - local.y) / area.height * span);
}

bool HistoryView::isLit(std::int32_t note) const
{
    return note >= 0 && note < 128 && lit[static_cast<std::size_t>(note)];
}

void HistoryView::buildStatic()
{
    const float keysTop = height - keyboardHeight;
    const float blackBottom = keysTop + keyboardHeight * blackKeyShare;
    keys.clear();
    appendQuad(keys, left, keysTop, right, height, whiteKeyColour);
    keyLabels.clear();
    for (std::int32_t note = rows.firstNote; note <= rows.lastNote; ++note) {
        const float x = noteColumnLeft(note);
        const float w = midilayout::keyWidth;
        if (isBlackKey(note)) {
            appendQuad(keys, x + 1.f, keysTop, x + w - 1.f, blackBottom, blackKeyColour);
            // Below a black key its two white neighbours meet.
            appendQuad(keys, x + w / 2.f - 0.5f, blackBottom, x + w / 2.f + 0.5f, height, keyEdgeColour);
        } else if (!isBlackKey(note - 1) && note > rows.firstNote) {
            // E-F and B-C share a whole edge.
            appendQuad(keys, x - 0.5f, keysTop, x + 0.5f, height, keyEdgeColour);
        }
        if (((note % 12) + 12) % 12 == 0) {
            char text[16];
            std::snprintf(text, sizeof text, "C%d", note / 12 - 1);
            keyLabels.add(font, text, 9, sf::Color(90, 90, 90), {x + w / 2.f, blackBottom - 1.f});
        }
    }
    // The frame of the time area: its top, its left side and the keyboard's top edge.
    appendQuad(keys, left, 0.f, right, 1.f, frameColour);
    appendQuad(keys, left, 0.f, left + 1.f, keysTop, frameColour);
    appendQuad(keys, left, keysTop - 1.f, right, keysTop, frameColour);

    // The dB scale: a strip in the top right corner of the time area, 0 dB at its top.
    scale.clear();
    scaleLabels.clear();
    const float x1 = labelRight() - 48.f;
    const float x0 = x1 - scaleWidth;
    const float top = 8.f;
    const float bottom = top + std::min(100.f, keysTop - 16.f);
    appendQuad(scale, x0 - 52.f, top - 4.f, x1 + 2.f, bottom + 4.f, sf::Color(0, 0, 0, 170));
    constexpr int steps = 20;
    for (int i = 0; i < steps; ++i) {
        const float y0 = top + (bottom - top) * static_cast<float>(i) / steps;
        const float y1 = top + (bottom - top) * static_cast<float>(i + 1) / steps;
        const float db = spectrogramscale::topDb +
                         (spectrogramscale::floorDb - spectrogramscale::topDb) * (static_cast<float>(i) + 0.5f) / steps;
        appendQuad(scale, x0, y0, x1, y1, spectrogramColour(db));
    }
    char text[16];
    for (const float db : {spectrogramscale::topDb, -50.f, spectrogramscale::floorDb}) {
        const float share = (spectrogramscale::topDb - db) / (spectrogramscale::topDb - spectrogramscale::floorDb);
        std::snprintf(text, sizeof text, "%.0f dB", static_cast<double>(db));
        const float y = top + (bottom - top) * share - axisCharacterSize / 2.f - 2.f;
        scaleLabels.add(font, text, axisCharacterSize, timeLabelColour, {x0 - 4.f, y}, 1.f);
    }
}

void HistoryView::addColumn(const LevelHistory& spectra)
{
    if (!textureReady || spectra.size() == 0 || spectra.rowCount() != rows.rowCount())
        return;
    const std::size_t slot = spectra.newestSlot();
    if (slot >= texture.getSize().y)
        return;
    if (!contextHold)
        contextHold.emplace();
    const float* column = spectra.column(spectra.size() - 1);
    constexpr float scaleRange = spectrogramscale::topDb - spectrogramscale::floorDb;
    for (std::size_t row = 0; row < rows.rowCount(); ++row) {
        // The columns hold values on the scale already: a table lookup, no interpolation per pixel.
        const float share = (column[row] - spectrogramscale::floorDb) / scaleRange;
        const auto entry = static_cast<std::size_t>(std::clamp(share, 0.f, 1.f) * (colourTable.size() - 1) + 0.5f);
        const sf::Color colour = colourTable[entry];
        rowPixels[row * 4] = colour.r;
        rowPixels[row * 4 + 1] = colour.g;
        rowPixels[row * 4 + 2] = colour.b;
        rowPixels[row * 4 + 3] = 255;
    }
    texture.update(rowPixels.data(), static_cast<unsigned>(rows.rowCount()), 1, 0, static_cast<unsigned>(slot));
}

void HistoryView::update(const NoteHistory& notes, const LevelHistory& spectra, ActiveNoteView active, double now,
                         std::optional<double> labelOrigin)
{
    layoutSpectrogram(spectra, now);
    layoutBars(notes, now);
    layoutTimeLines(labelOrigin);
    layoutKeys(active);
}

void HistoryView::layoutSpectrogram(const LevelHistory& spectra, double now)
{
    spectrogramVertexCount = 0;
    if (!showSpectrogram || !textureReady || spectra.rowCount() != rows.rowCount())
        return;
    const float u1 = static_cast<float>(rows.rowCount());
    const float areaBottom = height - keyboardHeight - 1.f;
    const std::size_t ringSize = spectra.capacity();
    const std::size_t textureRows = texture.getSize().y;

    // Neighbouring columns are drawn as one quad a few pixels high whose
    // texture rows run across it: a software renderer pays far more for a
    // quad than for its pixels, and columns at 60 a second are under a pixel.
    bool running = false;
    float runTop = 0.f;
    float runBottom = 0.f;
    std::size_t newestInRun = 0;
    std::size_t oldestInRun = 0;
    const auto flush = [&] {
        if (!running || spectrogramVertexCount + 4 > spectrogram.size())
            return;
        sf::Vertex* quad = &spectrogram[spectrogramVertexCount];
        writeQuad(quad, left + 1.f, runTop, right, runBottom, sf::Color::White);
        const float vTop = static_cast<float>(oldestInRun);
        const float vBottom = static_cast<float>(newestInRun + 1);
        quad[0].texCoords = {0.f, vTop};
        quad[1].texCoords = {u1, vTop};
        quad[2].texCoords = {u1, vBottom};
        quad[3].texCoords = {0.f, vBottom};
        spectrogramVertexCount += 4;
        running = false;
    };

    std::size_t slot = spectra.size() > 0 ? spectra.newestSlot() : 0;
    for (std::size_t i = spectra.size(); i-- > 0; slot = slot == 0 ? ringSize - 1 : slot - 1) {
        // Walked slot by slot from the newest: the same as slotOf(i), without a division per column.
        const double time = spectra.timeAtSlot(slot);
        const double before = now - time;
        if (before > span || slot >= textureRows)
            break;
        const double previous = i > 0 ? spectra.timeAtSlot(slot == 0 ? ringSize - 1 : slot - 1) : time - 1.0 / 60.0;
        const double length = std::clamp(time - previous, 0.0, longestColumnSeconds);
        const float y1 = std::min(areaBottom, yOf(std::max(before, 0.0)));
        const float y0 = std::max(1.f, yOf(before + length));
        if (y1 <= y0)
            continue;
        // A run goes on while the slots are consecutive and the column meets the one after it.
        const bool joins =
            running && slot + 1 == oldestInRun && std::fabs(y1 - runTop) < 0.01f && runBottom - y0 <= maxRunPixels;
        if (joins) {
            runTop = y0;
            oldestInRun = slot;
            continue;
        }
        flush();
        running = true;
        runTop = y0;
        runBottom = y1;
        newestInRun = oldestInRun = slot;
    }
    flush();
}

void HistoryView::layoutBars(const NoteHistory& notes, double now)
{
    barVertexCount = 0;
    names.clear();
    placedNames.clear();
    placedNameNotes.clear();
    const float top = 1.f;
    const float bottom = height - keyboardHeight - 1.f;
    const float lineHeight = static_cast<float>(nameCharacterSize) + 3.f;
    for (std::size_t i = notes.size(); i-- > 0;) {
        const NoteBar_t& bar = notes[i];
        const double end = bar.sounding ? now : bar.offsetSeconds;
        if (now - end > span)
            continue;
        if (bar.note < rows.firstNote || bar.note > rows.lastNote || barVertexCount + 4 > bars.size())
            continue;
        const float x = noteColumnLeft(bar.note);
        // The onset is the bar's upper end: time runs up the view.
        const float y1 = std::min(bottom, yOf(now - end));
        float y0 = std::max(top, yOf(now - bar.onsetSeconds));
        y0 = std::min(y0, std::max(top, y1 - minBarHeight));
        writeQuad(&bars[barVertexCount], x + 1.f, y0, x + midilayout::keyWidth - 1.f, y1,
                  bar.sounding ? soundingBarColour : endedBarColour);
        barVertexCount += 4;

        // The name sits just above the onset, or inside the bar's upper end;
        // where both would touch a name already placed (newer notes first), it is left out.
        if (names.size() >= maxNames)
            continue;
        const float centre = x + midilayout::keyWidth / 2.f;
        for (const float at : {y0 - lineHeight, y0 + 1.f}) {
            if (at < top || at + lineHeight > bottom || (at > y0 && at + lineHeight > y1))
                continue;
            const sf::FloatRect bounds =
                names.add(font, bar.name, nameCharacterSize, nameColour, {centre, at}).getGlobalBounds();
            if (!collides(bounds, bar.note, placedNames, placedNameNotes)) {
                placedNames.push_back(bounds);
                placedNameNotes.push_back(bar.note);
                break;
            }
            names.removeLast();
        }
    }
}

void HistoryView::layoutTimeLines(std::optional<double> labelOrigin)
{
    lineVertexCount = 0;
    timeLabels.clear();
    const double step = timeLineStep(span);
    // With an origin the lines fall on whole multiples of the step in its time.
    const double origin = labelOrigin ? *labelOrigin : 0.0;
    const double offset = labelOrigin ? origin - std::floor(origin / step) * step : 0.0;
    char text[24];
    for (int k = 0; lineVertexCount + 4 <= lines.size(); ++k) {
        const double before = offset + k * step;
        if (before > span)
            break;
        if (before <= 0.0)
            continue;
        // No lines before the file's start.
        if (labelOrigin && origin - before < -1e-6)
            break;
        const float y = yOf(before);
        writeQuad(&lines[lineVertexCount], left + 1.f, y, right, y + 1.f, timeLineColour);
        lineVertexCount += 4;
        if (labelOrigin) {
            const auto seconds = static_cast<long>(std::lround(origin - before));
            std::snprintf(text, sizeof text, "%ld:%02ld", seconds / 60, seconds % 60);
        } else {
            std::snprintf(text, sizeof text, "-%.0f s", before);
        }
        timeLabels.add(font, text, axisCharacterSize, timeLabelColour, {labelRight(), y + 2.f}, 1.f);
    }
}

void HistoryView::layoutKeys(ActiveNoteView active)
{
    lit.fill(false);
    litVertexCount = 0;
    const float keysTop = height - keyboardHeight;
    const float blackBottom = keysTop + keyboardHeight * blackKeyShare;
    for (const ActiveNote_t& note : active) {
        if (note.note < rows.firstNote || note.note > rows.lastNote || lit[note.note])
            continue;
        lit[note.note] = true;
        const float x = noteColumnLeft(note.note);
        const float y1 = isBlackKey(note.note) ? blackBottom : height;
        writeQuad(&litKeys[litVertexCount], x + 1.f, keysTop, x + midilayout::keyWidth - 1.f, y1, litColour);
        litVertexCount += 4;
    }
}

void HistoryView::draw(sf::RenderTarget& target, sf::RenderStates states) const
{
    states.transform *= getTransform();
    // No background of its own: where there is no spectrogram yet the window's
    // clear colour shows, and each pixel of the area is filled once at most,
    // which a software renderer with multisampling feels.
    if (spectrogramVertexCount > 0) {
        sf::RenderStates textured = states;
        textured.texture = &texture;
        target.draw(spectrogram.data(), spectrogramVertexCount, sf::Quads, textured);
    }
    target.draw(keys.data(), keys.size(), sf::Quads, states);
    if (litVertexCount > 0)
        target.draw(litKeys.data(), litVertexCount, sf::Quads, states);
    target.draw(keyLabels, states);
    if (lineVertexCount > 0)
        target.draw(lines.data(), lineVertexCount, sf::Quads, states);
    target.draw(timeLabels, states);
    if (barVertexCount > 0)
        target.draw(bars.data(), barVertexCount, sf::Quads, states);
    target.draw(names, states);
    if (showSpectrogram) {
        target.draw(scale.data(), scale.size(), sf::Quads, states);
        target.draw(scaleLabels, states);
    }
}

} // namespace dravik
