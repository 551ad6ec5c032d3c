#include "view/FFTDebugView.h"
#include "view/MidiDisplay.h"

#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace dravik {
namespace {

using testing::configureAsScene;
using testing::flatSpectrum;
using testing::framed;
using testing::viewOf;

constexpr float keyWidth = midilayout::keyWidth;
constexpr double binWidth = 44100.0 / 4096.0;

// x, in the coordinates both drawables are drawn in, of the highest point of
// the spectrum curve.
float peakX(const FFTDebugView& view)
{
    const sf::VertexArray& line = view.getSpectrumLine();
    std::size_t top = 0;
    for (std::size_t i = 1; i < line.getVertexCount(); ++i)
        if (line[i].position.y < line[top].position.y)
            top = i;
    return view.getTransform().transformPoint(line[top].position).x;
}

std::vector<std::string> texts(const LabelRow& labels)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < labels.size(); ++i)
        out.push_back(labels[i].getString().toAnsiString());
    return out;
}

class PlotAxes : public ::testing::Test {
protected:
    PlotAxes() { configureAsScene(view); }
    FFTDebugView view;
};

// Each note's sine, analysed finely enough that its bin lies within a pixel,
// peaks under the centre of that note's square in the note row.
TEST_F(PlotAxes, OnTheLogAxisEachNotesPeakLiesUnderItsSquare)
{
    constexpr std::uint64_t fftSize = 262144;
    view.fftSize = fftSize;
    view.setFrequencyScale(FrequencyScale::Logarithmic);
    MidiDisplay display;
    std::vector<SpectrumBin> bins = flatSpectrum(0.01, fftSize / 2 + 1);

    for (std::int32_t note = 24; note <= 113; ++note) {
        const std::uint64_t bin = binIndex(440.0 * std::pow(2.0, (note - 69) / 12.0), fftSize, 44100.0);
        bins[bin].power = 1.0;
        view.update(framed(view, bins));
        bins[bin].power = 0.01;

        const std::vector<NoteEnergy> shown{{static_cast<std::uint8_t>(note), 0.0}};
        display.advance(0.5f);
        display.update({shown.data(), shown.size()});
        const sf::FloatRect square =
            display.getTransform().transformRect(display.getCell(note)->marker.getGlobalBounds());
        EXPECT_NEAR(peakX(view), square.left + square.width / 2, 1.f) << "note " << note;
    }
}

TEST_F(PlotAxes, LogAxisSpansTheNoteColumnsAndLaysTheGridsOnIt)
{
    view.setFrequencyScale(FrequencyScale::Logarithmic);
    view.update(framed(view, flatSpectrum(0.0)));

    // From the left edge of note 24's square to the right edge of note 113's.
    const sf::FloatRect frame = view.getFrameRect();
    EXPECT_NEAR(frame.left, 6.2727f, 1e-3f);
    EXPECT_NEAR(frame.width, 90 * keyWidth, 1e-3f);
    EXPECT_EQ(frame.top, 20.f);
    EXPECT_EQ(frame.height, 300.f);
    // The curve starts at the first bin inside (31.8 Hz and up: bin 3) and ends at 5752 Hz (bin 534).
    EXPECT_EQ(view.getSpectrumLine().getVertexCount(), 534u - 3u + 1u);

    // 1 kHz, a major line, sits 83.21 notes along: x = 6.27 + (83.21 - 23.5) keys.
    const double note1k = 69.0 + 12.0 * std::log2(1000.0 / 440.0);
    const float x1k = 6.2727275f + static_cast<float>(note1k - 23.5) * keyWidth;
    const sf::VertexArray& major = view.getLogMajorGrid();
    ASSERT_EQ(major.getVertexCount(), 14u);
    EXPECT_NEAR(major[8].position.x, x1k, 0.01f);
    EXPECT_EQ(major[8].position.y, frame.top);
    EXPECT_EQ(major[9].position.y, frame.top + frame.height);
    // Spread out on this axis, 50 and 100 Hz carry labels too.
    EXPECT_EQ(texts(view.getLogLabels()),
              (std::vector<std::string>{"100 Hz", "1.0 kHz", "200 Hz", "2.0 kHz", "50 Hz", "500 Hz", "5.0 kHz"}));

    // The evenly spaced linear ticks crowd at the top of a log axis: none of
    // the labels left touches another.
    const LabelRow& linear = view.getLinearLabels();
    ASSERT_GT(linear.size(), 4u);
    EXPECT_LT(linear.size(), 16u);
    for (std::size_t i = 1; i < linear.size(); ++i)
        EXPECT_GT(linear[i].getGlobalBounds().left,
                  linear[i - 1].getGlobalBounds().left + linear[i - 1].getGlobalBounds().width)
            << texts(linear)[i];
}

TEST_F(PlotAxes, DecibelScaleHasItsFloorAtTheBottomAndLabelledLinesEveryTwentyDecibels)
{
    std::vector<SpectrumBin> bins = flatSpectrum(1.0e-12); // below the floor
    bins[100].power = 1.0;                                 // 0 dB
    bins[200].power = 1.0e-5;                              // -50 dB
    view.setPowerScale(PowerScale::Decibels);
    view.update(framed(view, bins));

    const sf::VertexArray& line = view.getSpectrumLine();
    EXPECT_FLOAT_EQ(line[0].position.y, 320.f);
    EXPECT_NEAR(line[100 - 3].position.y, 70.f, 1e-3f);
    EXPECT_NEAR(line[200 - 3].position.y, 195.f, 1e-3f);

    // Lines at -80 to 0 dB; the floor and the top are the frame's own edges.
    const sf::VertexArray& grid = view.getLevelGrid();
    ASSERT_EQ(grid.getVertexCount(), 10u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(grid[2 * i].position.y, 320.f - 50.f * static_cast<float>(i + 1), 1e-3f);
        EXPECT_EQ(grid[2 * i].position.x, 20.f);
        EXPECT_EQ(grid[2 * i + 1].position.x, 1260.f);
    }
    EXPECT_EQ(texts(view.getLevelLabels()),
              (std::vector<std::string>{"-100 dB", "-80 dB", "-60 dB", "-40 dB", "-20 dB", "0 dB", "+20 dB"}));
    // Inside the plot, left-aligned near its left edge.
    for (std::size_t i = 0; i < view.getLevelLabels().size(); ++i) {
        const sf::FloatRect bounds = view.getLevelLabels()[i].getGlobalBounds();
        EXPECT_NEAR(bounds.left, 24.f, 1.5f);
        EXPECT_GE(bounds.top, 20.f);
        EXPECT_LE(bounds.top + bounds.height, 320.f);
    }
}

TEST_F(PlotAxes, ChangingAnAxisReLaysTheShownSpectrumAtOnce)
{
    std::vector<SpectrumBin> bins = flatSpectrum(0.01);
    bins[41].power = 1.0; // 441.4 Hz
    // Before any spectrum only the frame follows.
    view.setFrequencyScale(FrequencyScale::Logarithmic);
    EXPECT_NEAR(view.getFrameRect().left, 6.2727f, 1e-3f);
    EXPECT_EQ(view.getSpectrumLine().getVertexCount(), 0u);
    view.setFrequencyScale(FrequencyScale::Linear);
    view.update(framed(view, bins));
    const float linearPeak = peakX(view);
    const std::size_t linearLabels = view.getLinearLabels().size();

    view.setFrequencyScale(FrequencyScale::Logarithmic);
    const float note = static_cast<float>(69.0 + 12.0 * std::log2(41 * binWidth / 440.0));
    EXPECT_NEAR(peakX(view), 6.2727275f + (note - 23.5f) * keyWidth, 0.01f);
    view.setPowerScale(PowerScale::Decibels);
    EXPECT_EQ(view.getLevelLabels().size(), 7u);
    EXPECT_NEAR(view.getSpectrumLine()[41 - 3].position.y, 70.f, 1e-3f);

    view.setFrequencyScale(FrequencyScale::Linear);
    view.setPowerScale(PowerScale::Linear);
    EXPECT_EQ(peakX(view), linearPeak);
    EXPECT_EQ(view.getPlotRect(), view.getFrameRect());
    EXPECT_EQ(view.getLinearLabels().size(), linearLabels);
    EXPECT_EQ(view.getLevelGrid().getVertexCount(), 0u);
    EXPECT_TRUE(view.getLevelLabels().empty());
}

TEST_F(PlotAxes, LogAxisFallsBackToLinearWithoutNotesInTheRange)
{
    view.minFrequency = 0.0;
    view.setFrequencyScale(FrequencyScale::Logarithmic);
    view.update(framed(view, flatSpectrum(0.1)));
    EXPECT_EQ(view.getFrameRect(), view.getPlotRect());
    EXPECT_EQ(view.getAxis().scale, FrequencyScale::Linear);
    EXPECT_EQ(view.getSpectrumLine()[0].position.x, 20.f);
}

// Points are in the coordinates the view is drawn in; the view sits at (0, 20),
// so the plot covers y 40 to 340.
TEST_F(PlotAxes, ReadsFrequencyAndLevelUnderAPoint)
{
    std::vector<SpectrumBin> bins = flatSpectrum(1.0e-4);
    bins[41].power = 1.0;
    const float columnCentre69 = noteColumnLeft(69) + keyWidth / 2;
    const float bin41X = 20.f + 38.f / 516.f * 1240.f;
    const struct {
        const char* what;
        FrequencyScale scale;
        sf::Vector2f point;
        bool overPlot;
        double frequency;
        double power;
    } cases[] = {
        {"linear, on bin 41", FrequencyScale::Linear, {bin41X, 200.f}, true, 41 * binWidth, 1.0},
        {"linear, left edge: bin 3", FrequencyScale::Linear, {20.f, 340.f}, true, 3 * binWidth, 1.0e-4},
        {"linear, right edge: bin 519", FrequencyScale::Linear, {1260.f, 40.f}, true, 519 * binWidth, 1.0e-4},
        {"linear, half a bin from 41",
         FrequencyScale::Linear,
         {bin41X + 1.1f, 200.f},
         true,
         (41.0 + 1.1 * 516.0 / 1240.0) * binWidth,
         1.0},
        {"log, A4's column", FrequencyScale::Logarithmic, {columnCentre69, 100.f}, true, 440.0, 1.0},
        {"log, left edge", FrequencyScale::Logarithmic, {6.2727275f, 100.f}, true, 31.772, 1.0e-4},
        {"left of the plot", FrequencyScale::Linear, {19.f, 200.f}, false, 0.0, 0.0},
        {"left of the note columns", FrequencyScale::Logarithmic, {6.f, 200.f}, false, 0.0, 0.0},
        {"right of the plot", FrequencyScale::Linear, {1261.f, 200.f}, false, 0.0, 0.0},
        {"above the plot", FrequencyScale::Linear, {640.f, 39.f}, false, 0.0, 0.0},
        {"below the plot", FrequencyScale::Logarithmic, {640.f, 341.f}, false, 0.0, 0.0},
    };

    const CursorReading_t before = view.readAt({640.f, 200.f});
    EXPECT_TRUE(before.overPlot);
    EXPECT_FALSE(before.hasLevel) << "no spectrum yet";
    EXPECT_NEAR(before.frequency, 0.5 * (view.minFrequency + view.maxFrequency), 1e-6);

    view.update(framed(view, bins));
    for (const auto& c : cases) {
        view.setFrequencyScale(c.scale);
        const CursorReading_t reading = view.readAt(c.point);
        EXPECT_EQ(reading.overPlot, c.overPlot) << c.what;
        if (!c.overPlot)
            continue;
        EXPECT_NEAR(reading.frequency, c.frequency, 0.01) << c.what;
        EXPECT_TRUE(reading.hasLevel) << c.what;
        EXPECT_EQ(reading.power, c.power) << c.what;
    }
}

} // namespace
} // namespace dravik
