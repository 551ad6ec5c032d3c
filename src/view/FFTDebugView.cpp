#include "view/FFTDebugView.h"

#include "analysis/NoteReading.h"
#include "view/MidiDisplay.h"

#include "EmbeddedResources.h"

#include <SFML/Graphics/RenderTarget.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dravik {

namespace {

const sf::Color fillBottomColour{0, 255, 255, 80};
const sf::Color fillCurveColour{0, 255, 255, 180};
const sf::Color frameColour{100, 100, 100, 255};
const sf::Color levelLineColour{55, 55, 55, 255};

constexpr float levelLabelInset = 4.f; // from the plot's left edge
constexpr float levelLabelGap = 2.f;   // between a label and its line

// Frequency of a fractional MIDI note in the tuning of the note row.
double noteRowFrequency(double note)
{
    return concertPitch * std::pow(2.0, (note - 69.0) / 12.0);
}

bool overlapsAny(const sf::FloatRect& bounds, const std::vector<sf::FloatRect>& placed)
{
    return std::any_of(placed.begin(), placed.end(),
                       [&](const sf::FloatRect& other) { return logLabelsCollide(bounds, other); });
}

} // namespace

FFTDebugView::FFTDebugView()
{
    // A font that fails to open leaves the labels blank; the view works on.
    const resources::ByteView bytes = resources::font();
    font.loadFromMemory(bytes.data, bytes.size);

    // Built once and only moved: a shape built per frame would allocate its
    // vertices every frame.
    frame.setFillColor(sf::Color::Transparent);
    frame.setOutlineThickness(1.f);
    frame.setOutlineColor(frameColour);
    frame.setSize({plotRect.width, plotRect.height});
    frame.setPosition(plotRect.left, plotRect.top);

    hint.setFont(font);
    hint.setString("Enable a generator, open a file or pick Input");
    hint.setCharacterSize(16);
    hint.setFillColor(sf::Color(200, 200, 200));
    const sf::FloatRect bounds = hint.getLocalBounds();
    hint.setPosition(std::round(plotRect.left + (plotRect.width - bounds.width) / 2.f - bounds.left),
                     std::round(plotRect.top + (plotRect.height - bounds.height) / 2.f - bounds.top));
}

void FFTDebugView::update(const Spectrum_t& spectrum)
{
    if (spectrum.empty())
        return;
    keepSpectrum(spectrum);
    layout();
}

void FFTDebugView::layoutAxes()
{
    layout();
}

void FFTDebugView::setFrequencyScale(FrequencyScale scale)
{
    frequencyScale = scale;
    layout();
}

void FFTDebugView::setPowerScale(PowerScale scale)
{
    powerScale = scale;
    layout();
}

bool FFTDebugView::logAxisUsable() const
{
    // Without a positive range there are no notes to lay the columns out by.
    return nearestNote(minFrequency).valid && nearestNote(maxFrequency).valid && minFrequency < maxFrequency;
}

bool FFTDebugView::usesLogAxis() const
{
    return frequencyScale == FrequencyScale::Logarithmic && logAxisUsable();
}

FrequencyAxis_t FFTDebugView::axisFor(bool logarithmic) const
{
    if (!logarithmic)
        return {minFrequency, maxFrequency, plotRect.left, plotRect.width};
    // The end notes' columns are whole: each end frequency sits at the centre
    // of its column, half a column from the plot's edge.
    const std::int32_t low = nearestNote(minFrequency).note;
    const std::int32_t high = nearestNote(maxFrequency).note;
    const float width = static_cast<float>(high - low + 1) * midilayout::keyWidth;
    return {noteRowFrequency(low - 0.5), noteRowFrequency(high + 0.5), noteColumnLeft(low), width,
            FrequencyScale::Logarithmic};
}

FrequencyAxis_t FFTDebugView::getAxis() const
{
    return axisFor(usesLogAxis());
}

sf::FloatRect FFTDebugView::getFrameRect() const
{
    const FrequencyAxis_t axis = getAxis();
    return {axis.left, plotRect.top, axis.width, plotRect.height};
}

BinRange_t FFTDebugView::binRangeFor(std::uint64_t binCount, bool logarithmic, std::uint64_t size, double rate) const
{
    if (!logarithmic)
        return drawnBinRange(binCount, limitToRange, minFrequency, maxFrequency, size, rate);
    const FrequencyAxis_t axis = axisFor(true);
    BinRange_t range = drawnBinRange(binCount, limitToRange, axis.minFrequency, axis.maxFrequency, size, rate);
    // DC has no place on a logarithmic axis.
    if (range.first == 0 && range.last > 0)
        range.first = 1;
    return range;
}

void FFTDebugView::keepSpectrum(const Spectrum_t& spectrum)
{
    // Both axes' bins, so a change of axis needs no new spectrum.
    const std::uint64_t size = spectrum.windowSize;
    BinRange_t kept = binRangeFor(spectrum.bins.size(), false, size, spectrum.sampleRate);
    if (logAxisUsable()) {
        const BinRange_t log = binRangeFor(spectrum.bins.size(), true, size, spectrum.sampleRate);
        kept = {std::min(kept.first, log.first), std::max(kept.last, log.last)};
    }
    keptPower.resize(kept.last - kept.first + 1);
    for (std::uint64_t k = kept.first; k <= kept.last; ++k)
        keptPower[k - kept.first] = spectrum.bins[k].power;
    keptFirstBin = kept.first;
    keptBinCount = spectrum.bins.size();
    keptFftSize = size;
    keptSampleRate = spectrum.sampleRate;
    keptBinWidth = spectrum.binSpacing();
}

void FFTDebugView::layout()
{
    const sf::FloatRect rect = getFrameRect();
    frame.setSize({rect.width, rect.height});
    frame.setPosition(rect.left, rect.top);
    // Before the first spectrum the grids and labels show on their own.
    if (keptPower.empty()) {
        spectrumFill.clear();
        spectrumLine.clear();
        curveDrawn = false;
    } else {
        buildSpectrum();
    }

    linearGrid.clear();
    linearGrid.setPrimitiveType(sf::Lines);
    logMajorGrid.clear();
    logMajorGrid.setPrimitiveType(sf::Lines);
    logMinorGrid.clear();
    logMinorGrid.setPrimitiveType(sf::Lines);
    levelGrid.clear();
    levelGrid.setPrimitiveType(sf::Lines);
    linearLabels.clear();
    logLabels.clear();
    levelLabels.clear();

    if (powerScale == PowerScale::Decibels)
        buildLevelGrid();
    if (!(minFrequency < maxFrequency))
        return;
    if (showLinearGrid || showLinearLabels)
        buildLinearGrid();
    if ((showLogGrid || showLogLabels) && minFrequency > 0.0)
        buildLogGrid();
}

void FFTDebugView::buildSpectrum()
{
    // The kept range covers both axes' ranges as they were when the spectrum
    // came; a range, window or rate changed since may reach past it.
    BinRange_t bins = binRangeFor(keptBinCount, usesLogAxis(), keptFftSize, keptSampleRate);
    const std::uint64_t keptLast = keptFirstBin + keptPower.size() - 1;
    curveDrawn = bins.first <= keptLast && bins.last >= keptFirstBin;
    bins = {std::max(bins.first, keptFirstBin), std::min(bins.last, keptLast)};
    curveBins = curveDrawn ? bins : BinRange_t{keptFirstBin, keptFirstBin};
    const std::uint64_t n = curveDrawn ? bins.last - bins.first + 1 : 0;
    const sf::FloatRect rect = getFrameRect();
    const FrequencyAxis_t axis = getAxis();
    const bool logAxis = axis.scale == FrequencyScale::Logarithmic;
    const float bottom = rect.top + rect.height;
    const float span = static_cast<float>(bins.last - bins.first);

    spectrumFill.setPrimitiveType(sf::TriangleStrip);
    spectrumLine.setPrimitiveType(sf::LineStrip);
    spectrumFill.resize(2 * n);
    spectrumLine.resize(n);
    if (n == 0)
        return;
    // Written through pointers: the arrays' element access and sf::Vertex's
    // constructors are out-of-line calls, a cost at 131073 bins per update.
    sf::Vertex* fill = &spectrumFill[0];
    sf::Vertex* line = &spectrumLine[0];
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint64_t bin = bins.first + i;
        // Linear: the first drawn bin on the left edge, the last on the right.
        // Logarithmic: each bin at its frequency, which lines it up with the notes.
        float x = rect.left;
        if (logAxis)
            x = frequencyToX(axis, static_cast<double>(bin) * keptBinWidth);
        else if (n > 1)
            x = rect.left + static_cast<float>(i) / span * rect.width;
        const float y = bottom - rect.height * plotLevel(keptPower[bin - keptFirstBin], powerScale);
        fill[2 * i].position = {x, bottom};
        fill[2 * i].color = fillBottomColour;
        fill[2 * i + 1].position = {x, y};
        fill[2 * i + 1].color = fillCurveColour;
        line[i].position = {x, y};
        line[i].color = sf::Color::White;
    }
}

double FFTDebugView::binAtX(float x) const
{
    const FrequencyAxis_t axis = getAxis();
    if (axis.scale == FrequencyScale::Logarithmic)
        return keptBinWidth > 0.0 ? xToFrequency(axis, x) / keptBinWidth : 0.0;
    if (curveBins.last == curveBins.first || !(axis.width > 0.f))
        return static_cast<double>(curveBins.first);
    const double t = static_cast<double>(x - axis.left) / static_cast<double>(axis.width);
    return static_cast<double>(curveBins.first) + t * static_cast<double>(curveBins.last - curveBins.first);
}

CursorReading_t FFTDebugView::readAt(sf::Vector2f point) const
{
    CursorReading_t reading{false, 0.0, false, 0.0};
    const sf::Vector2f local = getInverseTransform().transformPoint(point);
    const sf::FloatRect rect = getFrameRect();
    if (!(local.x >= rect.left && local.x <= rect.left + rect.width && local.y >= rect.top &&
          local.y <= rect.top + rect.height))
        return reading;
    reading.overPlot = true;
    const bool curveShown = curveDrawn && keptBinWidth > 0.0;
    // On the linear axis the curve's bins are spread edge to edge, so the
    // frequency follows the curve rather than the grid's range.
    if (curveShown && !usesLogAxis())
        reading.frequency = binAtX(local.x) * keptBinWidth;
    else
        reading.frequency = xToFrequency(getAxis(), local.x);
    if (curveShown) {
        const double bin = std::clamp(std::round(binAtX(local.x)), static_cast<double>(curveBins.first),
                                      static_cast<double>(curveBins.last));
        reading.hasLevel = true;
        reading.power = keptPower[static_cast<std::uint64_t>(bin) - keptFirstBin];
    }
    return reading;
}

void FFTDebugView::appendLine(sf::VertexArray& grid, const sf::FloatRect& rect, float x, sf::Color colour)
{
    grid.append(sf::Vertex({x, rect.top}, colour));
    grid.append(sf::Vertex({x, rect.top + rect.height}, colour));
}

void FFTDebugView::buildLinearGrid()
{
    const FrequencyAxis_t frequencyAxis = getAxis();
    const sf::FloatRect rect = getFrameRect();
    const float labelY = rect.top + rect.height + gridstyle::linearLabelOffset;
    linearTicks(minFrequency, maxFrequency, fftSize, sampleRate, linearTickCount, linearTickScratch);
    // On the logarithmic axis the high ticks crowd: a label that would touch
    // the one before is dropped.
    placedLabelScratch.clear();
    for (const double frequency : linearTickScratch) {
        const float x = frequencyToX(frequencyAxis, frequency);
        if (showLinearGrid)
            appendLine(linearGrid, rect, x, gridstyle::linearLine);
        if (!showLinearLabels)
            continue;
        const sf::FloatRect bounds = linearLabels
                                         .add(font, formatFrequency(frequency), gridstyle::labelCharacterSize,
                                              gridstyle::linearLabel, {x, labelY})
                                         .getGlobalBounds();
        if (overlapsAny(bounds, placedLabelScratch))
            linearLabels.removeLast();
        else
            placedLabelScratch.push_back(bounds);
    }
}

void FFTDebugView::buildLogGrid()
{
    const FrequencyAxis_t frequencyAxis = getAxis();
    const sf::FloatRect rect = getFrameRect();
    logTicks(minFrequency, maxFrequency, logTickScratch); // none for an empty or non-positive range
    for (const LogTick& tick : logTickScratch) {
        const float x = frequencyToX(frequencyAxis, tick.frequency);
        if (tick.major)
            appendLine(logMajorGrid, rect, x, gridstyle::logMajorLine);
        else
            appendLine(logMinorGrid, rect, x, gridstyle::logMinorLine);
    }
    if (!showLogLabels)
        return;

    // Decades first, then 2 x 10^p, then 5 x 10^p; a label that would crowd
    // one already placed is dropped.
    const float labelY = rect.top + rect.height + gridstyle::logLabelOffset;
    placedLabelScratch.clear();
    for (std::int32_t level = 0; level < logLabelLevels; ++level) {
        for (const LogTick& tick : logTickScratch) {
            if (!tick.major || tick.level != level)
                continue;
            const float x = frequencyToX(frequencyAxis, tick.frequency);
            if (!logLabelFits(x, rect.left, rect.width))
                continue;
            const sf::FloatRect bounds = logLabels
                                             .add(font, formatFrequency(tick.frequency), gridstyle::labelCharacterSize,
                                                  logLabelColour(level), {x, labelY})
                                             .getGlobalBounds();
            if (overlapsAny(bounds, placedLabelScratch))
                logLabels.removeLast();
            else
                placedLabelScratch.push_back(bounds);
        }
    }
}

void FFTDebugView::buildLevelGrid()
{
    const sf::FloatRect rect = getFrameRect();
    const float bottom = rect.top + rect.height;
    const float labelX = rect.left + levelLabelInset;
    const float labelHeight = static_cast<float>(gridstyle::labelCharacterSize) + levelLabelGap;
    const auto steps = static_cast<std::int32_t>((decibelscale::top - decibelscale::floor) / decibelscale::step);
    char text[16];
    for (std::int32_t i = 0; i <= steps; ++i) {
        const double decibels = decibelscale::floor + decibelscale::step * i;
        const float level =
            static_cast<float>((decibels - decibelscale::floor) / (decibelscale::top - decibelscale::floor));
        const float y = bottom - rect.height * level;
        // The edges are the frame's own lines; the top label hangs below its line.
        if (i > 0 && i < steps) {
            levelGrid.append(sf::Vertex({rect.left, y}, levelLineColour));
            levelGrid.append(sf::Vertex({rect.left + rect.width, y}, levelLineColour));
        }
        const float labelY = i < steps ? y - labelHeight : y + levelLabelGap;
        std::snprintf(text, sizeof text, decibels > 0.0 ? "+%.0f dB" : "%.0f dB", decibels);
        levelLabels.add(font, text, gridstyle::labelCharacterSize, gridstyle::linearLabel, {labelX, labelY}, 0.f);
    }
}

void FFTDebugView::draw(sf::RenderTarget& target, sf::RenderStates states) const
{
    states.transform *= getTransform();
    target.draw(frame, states);

    target.draw(levelGrid, states);
    target.draw(linearGrid, states);
    target.draw(logMinorGrid, states);
    target.draw(logMajorGrid, states);
    target.draw(spectrumFill, states);
    target.draw(spectrumLine, states);
    target.draw(linearLabels, states);
    target.draw(logLabels, states);
    target.draw(levelLabels, states);
    if (showHint)
        target.draw(hint, states);
}

} // namespace dravik
