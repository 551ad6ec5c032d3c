#include "view/FFTDebugView.h"

#include "view/PlotGeometry.h"

#include "EmbeddedResources.h"

#include <SFML/Graphics/RenderTarget.hpp>

#include <algorithm>

namespace dravik {

namespace {

const sf::Color fillBottomColour{0, 255, 255, 80};
const sf::Color fillCurveColour{0, 255, 255, 180};
const sf::Color frameColour{100, 100, 100, 255};

} // namespace

FFTDebugView::FFTDebugView()
{
    // A font that fails to open leaves the labels blank; the view works on.
    const resources::ByteView bytes = resources::font();
    font.loadFromMemory(bytes.data, bytes.size);

    // Built once: the plot rectangle never changes, and a shape built per
    // frame would allocate its vertices every frame.
    frame.setSize({plotRect.width, plotRect.height});
    frame.setPosition(plotRect.left, plotRect.top);
    frame.setFillColor(sf::Color::Transparent);
    frame.setOutlineThickness(1.f);
    frame.setOutlineColor(frameColour);
}

void FFTDebugView::update(MagnitudeSpectrum spectrum)
{
    if (spectrum.empty())
        return;
    buildSpectrum(spectrum);

    linearGrid.clear();
    linearGrid.setPrimitiveType(sf::Lines);
    logMajorGrid.clear();
    logMajorGrid.setPrimitiveType(sf::Lines);
    logMinorGrid.clear();
    logMinorGrid.setPrimitiveType(sf::Lines);
    linearLabels.clear();
    logLabels.clear();

    if (!(minFrequency < maxFrequency))
        return;
    if (showLinearGrid || showLinearLabels)
        buildLinearGrid();
    if ((showLogGrid || showLogLabels) && minFrequency > 0.0)
        buildLogGrid();
}

void FFTDebugView::buildSpectrum(MagnitudeSpectrum spectrum)
{
    const std::uint64_t binCount = spectrum.size();
    if (binCount == 0)
        return;
    const BinRange_t bins = drawnBinRange(binCount, limitToRange, minFrequency, maxFrequency, fftSize, sampleRate);
    const std::uint64_t n = bins.last - bins.first + 1;
    const float left = plotRect.left;
    const float width = plotRect.width;
    const float height = plotRect.height;
    const float bottom = plotRect.top + height;
    const float span = static_cast<float>(bins.last - bins.first);

    spectrumFill.setPrimitiveType(sf::TriangleStrip);
    spectrumLine.setPrimitiveType(sf::LineStrip);
    spectrumFill.resize(2 * n);
    spectrumLine.resize(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        const float t = n > 1 ? static_cast<float>(i) / span : 0.f;
        const float x = left + t * width;
        const float y = bottom - height * powerLevel(spectrum[bins.first + i].power);
        spectrumFill[2 * i] = sf::Vertex({x, bottom}, fillBottomColour);
        spectrumFill[2 * i + 1] = sf::Vertex({x, y}, fillCurveColour);
        spectrumLine[i] = sf::Vertex({x, y}, sf::Color::White);
    }
}

FrequencyAxis_t FFTDebugView::axis() const
{
    return {minFrequency, maxFrequency, plotRect.left, plotRect.width};
}

void FFTDebugView::appendLine(sf::VertexArray& grid, float x, sf::Color colour) const
{
    grid.append(sf::Vertex({x, plotRect.top}, colour));
    grid.append(sf::Vertex({x, plotRect.top + plotRect.height}, colour));
}

void FFTDebugView::buildLinearGrid()
{
    const FrequencyAxis_t frequencyAxis = axis();
    const float labelY = plotRect.top + plotRect.height + gridstyle::linearLabelOffset;
    linearTicks(minFrequency, maxFrequency, fftSize, sampleRate, linearTickCount, linearTickScratch);
    for (const double frequency : linearTickScratch) {
        const float x = frequencyToX(frequencyAxis, frequency);
        if (showLinearGrid)
            appendLine(linearGrid, x, gridstyle::linearLine);
        if (showLinearLabels)
            linearLabels.add(font, formatFrequency(frequency), gridstyle::labelCharacterSize, gridstyle::linearLabel,
                             {x, labelY});
    }
}

void FFTDebugView::buildLogGrid()
{
    const FrequencyAxis_t frequencyAxis = axis();
    logTicks(minFrequency, maxFrequency, logTickScratch); // none for an empty or non-positive range
    for (const LogTick& tick : logTickScratch) {
        const float x = frequencyToX(frequencyAxis, tick.frequency);
        if (tick.major)
            appendLine(logMajorGrid, x, gridstyle::logMajorLine);
        else
            appendLine(logMinorGrid, x, gridstyle::logMinorLine);
    }
    if (!showLogLabels)
        return;

    // Decades first, then 2 x 10^p, then 5 x 10^p; a label that would crowd
    // one already placed is dropped.
    const float labelY = plotRect.top + plotRect.height + gridstyle::logLabelOffset;
    placedLabelScratch.clear();
    for (std::int32_t level = 0; level < logLabelLevels; ++level) {
        for (const LogTick& tick : logTickScratch) {
            if (!tick.major || tick.level != level)
                continue;
            const float x = frequencyToX(frequencyAxis, tick.frequency);
            if (!logLabelFits(x, plotRect.left, plotRect.width))
                continue;
            const sf::FloatRect bounds = logLabels
                                             .add(font, formatFrequency(tick.frequency), gridstyle::labelCharacterSize,
                                                  logLabelColour(level), {x, labelY})
                                             .getGlobalBounds();
            const bool crowded =
                std::any_of(placedLabelScratch.begin(), placedLabelScratch.end(),
                            [&](const sf::FloatRect& placed) { return logLabelsCollide(bounds, placed); });
            if (crowded)
                logLabels.removeLast();
            else
                placedLabelScratch.push_back(bounds);
        }
    }
}

void FFTDebugView::draw(sf::RenderTarget& target, sf::RenderStates states) const
{
    states.transform *= getTransform();
    target.draw(frame, states);

    target.draw(linearGrid, states);
    target.draw(logMinorGrid, states);
    target.draw(logMajorGrid, states);
    target.draw(spectrumFill, states);
    target.draw(spectrumLine, states);
    target.draw(linearLabels, states);
    target.draw(logLabels, states);
}

} // namespace dravik
