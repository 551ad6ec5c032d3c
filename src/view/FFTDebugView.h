#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "view/FrequencyGrid.h"
#include "view/LabelRow.h"

#include <SFML/Graphics/Drawable.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Rect.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/Transformable.hpp>
#include <SFML/Graphics/VertexArray.hpp>

#include <cstdint>
#include <vector>

namespace dravik {

// The latest magnitude spectrum as a filled curve in a framed plot, with
// optional linear and logarithmic frequency grids and their label rows.
// Everything is rebuilt by update and drawn unchanged until the next one.
class FFTDebugView : public sf::Drawable, public sf::Transformable {
public:
    FFTDebugView();
    // The labels point at this view's own font.
    FFTDebugView(const FFTDebugView&) = delete;
    FFTDebugView& operator=(const FFTDebugView&) = delete;

    // Rebuilds the curve, grids and labels; an empty spectrum changes nothing.
    void update(MagnitudeSpectrum spectrum);

    const sf::FloatRect& getPlotRect() const { return plotRect; }
    const sf::VertexArray& getSpectrumFill() const { return spectrumFill; }
    const sf::VertexArray& getSpectrumLine() const { return spectrumLine; }
    const sf::VertexArray& getLinearGrid() const { return linearGrid; }
    const sf::VertexArray& getLogMajorGrid() const { return logMajorGrid; }
    const sf::VertexArray& getLogMinorGrid() const { return logMinorGrid; }
    const LabelRow& getLinearLabels() const { return linearLabels; }
    const LabelRow& getLogLabels() const { return logLabels; }

    // Written directly by the scene and the panels; each change shows at the next update.
    double minFrequency = 0.0; // Hz at the plot's left edge
    double maxFrequency = 0.0; // Hz at the plot's right edge
    bool limitToRange = false; // draw only the bins between the two frequencies
    std::uint64_t fftSize = 0; // with sampleRate, the bin spacing sampleRate / fftSize
    double sampleRate = 0.0;   // Hz
    bool showLinearGrid = true;
    bool showLogGrid = true;
    bool showLinearLabels = true;
    bool showLogLabels = true;
    std::uint32_t linearTickCount = 16;

private:
    void draw(sf::RenderTarget& target, sf::RenderStates states) const override;
    void buildSpectrum(MagnitudeSpectrum spectrum);
    // The grid builders append to the line arrays and label rows, which update
    // has just emptied.
    void buildLinearGrid();
    void buildLogGrid();
    FrequencyAxis_t axis() const;
    void appendLine(sf::VertexArray& grid, float x, sf::Color colour) const;

    sf::FloatRect plotRect{20.f, 20.f, 1240.f, 300.f}; // local coordinates; bottom at 320
    sf::Font font;
    sf::RectangleShape frame; // grey outline of plotRect
    sf::VertexArray spectrumFill{sf::TriangleStrip};
    sf::VertexArray spectrumLine{sf::LineStrip};
    sf::VertexArray linearGrid{sf::Lines};
    sf::VertexArray logMajorGrid{sf::Lines};
    sf::VertexArray logMinorGrid{sf::Lines};
    LabelRow linearLabels;
    LabelRow logLabels;

    // Builders' scratch, kept so that a steady update allocates nothing.
    std::vector<double> linearTickScratch;
    std::vector<LogTick> logTickScratch;
    std::vector<sf::FloatRect> placedLabelScratch;
};

} // namespace dravik
