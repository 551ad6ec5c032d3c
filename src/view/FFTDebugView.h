#pragma once

#include "analysis/AnalysedWindow.h"
#include "view/FrequencyGrid.h"
#include "view/LabelRow.h"
#include "view/PlotGeometry.h"

#include <SFML/Graphics/Drawable.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Rect.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/Text.hpp>
#include <SFML/Graphics/Transformable.hpp>
#include <SFML/Graphics/VertexArray.hpp>

#include <cstdint>
#include <vector>

namespace dravik {

// The latest magnitude spectrum as a filled curve in a framed plot, with
// optional linear and logarithmic frequency grids and their label rows, on a
// linear or logarithmic frequency axis and a linear or decibel power scale.
// Everything is rebuilt by update and drawn unchanged until the next one; a
// change of axis or scale re-lays the shown spectrum at once.
//
// On the logarithmic axis the plot spans the note columns of the MIDI display
// (placed at the same x), from the note of minFrequency to that of
// maxFrequency, so each note's peak lies under its square.
class FFTDebugView : public sf::Drawable, public sf::Transformable {
public:
    FFTDebugView();
    // The labels point at this view's own font.
    FFTDebugView(const FFTDebugView&) = delete;
    FFTDebugView& operator=(const FFTDebugView&) = delete;

    // Rebuilds the curve, grids and labels; an empty spectrum changes nothing.
    // The curve is laid out by the spectrum's own frame until the next one
    // comes, whatever the axes show meanwhile.
    void update(const Spectrum_t& spectrum);

    // Lays out the grids and labels from the settings above; before the
    // first spectrum this is what shows them.
    void layoutAxes();

    // Each re-lays the curve, grids, labels and frame for the new axis or scale.
    void setFrequencyScale(FrequencyScale scale);
    void setPowerScale(PowerScale scale);
    FrequencyScale getFrequencyScale() const { return frequencyScale; }
    PowerScale getPowerScale() const { return powerScale; }

    // The frequency and level under a point given in the coordinates the view
    // is drawn in (its parent's: for the scene, the world view's).
    CursorReading_t readAt(sf::Vector2f point) const;

    // The plot's frame in local coordinates: plotRect on the linear axis, the
    // note columns on the logarithmic one.
    sf::FloatRect getFrameRect() const;
    // The axis the grids are laid on.
    FrequencyAxis_t getAxis() const;
    // Whether a spectrum was taken yet.
    bool hasSpectrum() const { return !keptPower.empty(); }
    const sf::FloatRect& getPlotRect() const { return plotRect; }
    const sf::VertexArray& getSpectrumFill() const { return spectrumFill; }
    const sf::VertexArray& getSpectrumLine() const { return spectrumLine; }
    const sf::VertexArray& getLinearGrid() const { return linearGrid; }
    const sf::VertexArray& getLogMajorGrid() const { return logMajorGrid; }
    const sf::VertexArray& getLogMinorGrid() const { return logMinorGrid; }
    const LabelRow& getLinearLabels() const { return linearLabels; }
    const LabelRow& getLogLabels() const { return logLabels; }
    const sf::VertexArray& getLevelGrid() const { return levelGrid; }
    const LabelRow& getLevelLabels() const { return levelLabels; }

    // Written directly by the scene and the panels; each change shows at the next update.
    double minFrequency = 0.0; // Hz at the plot's left edge
    double maxFrequency = 0.0; // Hz at the plot's right edge
    bool limitToRange = false; // draw only the bins between the two frequencies
    // The analysis's frame, for the axes: the bin spacing sampleRate / fftSize.
    std::uint64_t fftSize = 0;
    double sampleRate = 0.0; // Hz
    bool showLinearGrid = true;
    bool showLogGrid = true;
    bool showLinearLabels = true;
    bool showLogLabels = true;
    std::uint32_t linearTickCount = 16;
    // A one-line hint in the middle of the plot, for a start with nothing analysed.
    bool showHint = false;
    const sf::Text& getHint() const { return hint; }

private:
    void draw(sf::RenderTarget& target, sf::RenderStates states) const override;
    // Keeps the powers of the bins either axis draws.
    void keepSpectrum(const Spectrum_t& spectrum);
    // Rebuilds everything drawn from the kept spectrum and the settings.
    void layout();
    void buildSpectrum();
    // The grid builders append to the line arrays and label rows, which layout
    // has just emptied.
    void buildLinearGrid();
    void buildLogGrid();
    void buildLevelGrid();
    // Whether the frequency range has notes for the logarithmic axis's columns.
    bool logAxisUsable() const;
    bool usesLogAxis() const;
    FrequencyAxis_t axisFor(bool logarithmic) const;
    // The bins an axis draws from a spectrum of binCount bins taken with a
    // window of size samples at rate.
    BinRange_t binRangeFor(std::uint64_t binCount, bool logarithmic, std::uint64_t size, double rate) const;
    // The continuous bin number the curve draws at local x.
    double binAtX(float x) const;
    static void appendLine(sf::VertexArray& grid, const sf::FloatRect& rect, float x, sf::Color colour);

    sf::FloatRect plotRect{20.f, 20.f, 1240.f, 300.f}; // local coordinates; bottom at 320
    sf::Font font;
    sf::RectangleShape frame; // grey outline of plotRect
    sf::Text hint;
    sf::VertexArray spectrumFill{sf::TriangleStrip};
    sf::VertexArray spectrumLine{sf::LineStrip};
    sf::VertexArray linearGrid{sf::Lines};
    sf::VertexArray logMajorGrid{sf::Lines};
    sf::VertexArray logMinorGrid{sf::Lines};
    LabelRow linearLabels;
    LabelRow logLabels;
    sf::VertexArray levelGrid{sf::Lines}; // decibel lines
    LabelRow levelLabels;
    FrequencyScale frequencyScale = FrequencyScale::Linear;
    PowerScale powerScale = PowerScale::Linear;

    // The powers of the bins shown, from keptFirstBin on, with the spectrum's
    // bin count, window size and rate at the time: what a change of axis or
    // scale and the cursor readout work from. The window size, rate and range
    // may change before the next spectrum arrives, so the curve is laid out by
    // the kept spectrum's own bin width and never reaches past its kept bins.
    // Empty until the first spectrum.
    std::vector<double> keptPower;
    std::uint64_t keptFirstBin = 0;
    std::uint64_t keptBinCount = 0;
    std::uint64_t keptFftSize = 0;
    double keptSampleRate = 0.0;
    double keptBinWidth = 0.0;
    BinRange_t curveBins{0, 0}; // the bins the curve draws now
    bool curveDrawn = false;    // false when no kept bin lies in the range

    // Builders' scratch, kept so that a steady update allocates nothing.
    std::vector<double> linearTickScratch;
    std::vector<LogTick> logTickScratch;
    std::vector<sf::FloatRect> placedLabelScratch;
};

} // namespace dravik
