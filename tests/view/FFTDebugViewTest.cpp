#include "view/FFTDebugView.h"

#include "ViewTestSupport.h"
#include "view/FrequencyGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace dravik {
namespace {

using testing::configureAsScene;
using testing::flatSpectrum;
using testing::framed;
using testing::viewOf;

constexpr float plotLeft = 20.f;
constexpr float plotTop = 20.f;
constexpr float plotRight = 1260.f;
constexpr float plotBottom = 320.f;

class SceneView : public ::testing::Test {
protected:
    SceneView() { configureAsScene(view); }

    std::vector<std::string> labelTexts(const LabelRow& labels) const
    {
        std::vector<std::string> texts;
        for (std::size_t i = 0; i < labels.size(); ++i)
            texts.push_back(labels[i].getString().toAnsiString());
        return texts;
    }

    FFTDebugView view;
};

TEST_F(SceneView, StartsWithNothingButTheFrame)
{
    EXPECT_EQ(view.getPlotRect(), sf::FloatRect(20.f, 20.f, 1240.f, 300.f));
    EXPECT_EQ(view.getSpectrumFill().getVertexCount(), 0u);
    EXPECT_EQ(view.getSpectrumLine().getVertexCount(), 0u);
    EXPECT_EQ(view.getLinearGrid().getVertexCount(), 0u);
    EXPECT_TRUE(view.getLinearLabels().empty());
    EXPECT_TRUE(view.getLogLabels().empty());
}

// A first start shows the axes before any spectrum, and the hint says how to begin.
TEST_F(SceneView, AxesShowBeforeTheFirstSpectrum)
{
    view.layoutAxes();
    EXPECT_FALSE(view.hasSpectrum());
    EXPECT_GT(view.getLinearGrid().getVertexCount(), 0u);
    EXPECT_FALSE(view.getLinearLabels().empty());
    EXPECT_FALSE(view.getLogLabels().empty());
    EXPECT_EQ(view.getSpectrumLine().getVertexCount(), 0u);
    EXPECT_EQ(view.getHint().getString().toAnsiString(), "Enable a generator, open a file or pick Input");
    EXPECT_TRUE(view.getPlotRect().contains(view.getHint().getPosition()));

    view.setPowerScale(PowerScale::Decibels);
    EXPECT_EQ(view.getLevelLabels().size(), 7u);
    EXPECT_EQ(view.readAt({400.f, 200.f}).hasLevel, false);
}

TEST_F(SceneView, DrawsBinsThreeToFiveNineteenAcrossThePlot)
{
    std::vector<SpectrumBin> bins = flatSpectrum(0.0);
    bins[3].power = 0.5;
    bins[519].power = 1.0;
    view.update(framed(view, bins));

    const sf::VertexArray& line = view.getSpectrumLine();
    const sf::VertexArray& fill = view.getSpectrumFill();
    ASSERT_EQ(line.getVertexCount(), 517u);
    ASSERT_EQ(fill.getVertexCount(), 2u * 517u);
    EXPECT_EQ(line.getPrimitiveType(), sf::LineStrip);
    EXPECT_EQ(fill.getPrimitiveType(), sf::TriangleStrip);

    EXPECT_FLOAT_EQ(line[0].position.x, plotLeft);
    EXPECT_FLOAT_EQ(line[0].position.y, 170.f) << "bin 3 at power 0.5";
    EXPECT_FLOAT_EQ(line[516].position.x, plotRight);
    EXPECT_FLOAT_EQ(line[516].position.y, plotTop) << "bin 519 at power 1";
    EXPECT_NEAR(line[1].position.x - line[0].position.x, 2.403f, 0.001f);
    EXPECT_EQ(line[0].color, sf::Color::White);

    // Each curve vertex has a faint partner on the bottom edge.
    EXPECT_EQ(fill[0].position, sf::Vector2f(plotLeft, plotBottom));
    EXPECT_EQ(fill[0].color, sf::Color(0, 255, 255, 80));
    EXPECT_EQ(fill[1].position, line[0].position);
    EXPECT_EQ(fill[1].color, sf::Color(0, 255, 255, 180));
}

TEST_F(SceneView, ClampsPowersToThePlotAndDrawsNonFinitePowersAtTheEdges)
{
    view.limitToRange = false;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<SpectrumBin> bins{{0, 1.7}, {0, -0.2}, {0, 0.25}, {0, nan}, {0, inf}, {0, -inf}, {0, 1e300}};
    view.update(framed(view, bins));

    const sf::VertexArray& line = view.getSpectrumLine();
    ASSERT_EQ(line.getVertexCount(), bins.size());
    const float expected[] = {plotTop, plotBottom, 245.f, plotBottom, plotTop, plotBottom, plotTop};
    for (std::size_t i = 0; i < bins.size(); ++i)
        EXPECT_FLOAT_EQ(line[i].position.y, expected[i]) << "power " << bins[i].power;
}

TEST_F(SceneView, WithoutALimitTheWholeSpectrumSpansThePlot)
{
    view.limitToRange = false;
    const std::vector<SpectrumBin> bins = flatSpectrum(0.1);
    view.update(framed(view, bins));
    const sf::VertexArray& line = view.getSpectrumLine();
    ASSERT_EQ(line.getVertexCount(), 2049u);
    EXPECT_FLOAT_EQ(line[0].position.x, plotLeft);
    EXPECT_FLOAT_EQ(line[2048].position.x, plotRight);
}

TEST_F(SceneView, RangeCollapsedToOneBinDrawsItOnTheLeftEdge)
{
    view.minFrequency = 1000.0;
    view.maxFrequency = 1001.0;
    const std::vector<SpectrumBin> bins = flatSpectrum(0.25);
    view.update(framed(view, bins));
    ASSERT_EQ(view.getSpectrumFill().getVertexCount(), 2u);
    ASSERT_EQ(view.getSpectrumLine().getVertexCount(), 1u);
    EXPECT_EQ(view.getSpectrumLine()[0].position, sf::Vector2f(plotLeft, 245.f));
}

TEST_F(SceneView, ShrinkingSpectrumOverwritesTheCurveInPlace)
{
    view.limitToRange = false;
    const std::vector<SpectrumBin> wide = flatSpectrum(0.5);
    const std::vector<SpectrumBin> narrow = flatSpectrum(1.0, 3);
    view.update(framed(view, wide));
    view.update(framed(view, narrow));
    const sf::VertexArray& line = view.getSpectrumLine();
    ASSERT_EQ(line.getVertexCount(), 3u);
    EXPECT_EQ(view.getSpectrumFill().getVertexCount(), 6u);
    EXPECT_EQ(line[1].position, sf::Vector2f(640.f, plotTop));
    EXPECT_EQ(line[2].position, sf::Vector2f(plotRight, plotTop));
}

// The window size, rate or range may change while no new spectrum comes (no
// generator enabled, say); a change of axis then re-lays the kept spectrum by
// its own bins and never reads past them.
TEST_F(SceneView, AxisChangeAfterSettingsChangeRelaysOnlyTheKeptBins)
{
    struct Change {
        const char* what;
        void (*apply)(FFTDebugView&);
        bool curveStays; // the kept bins still cover the range
    };
    const Change changes[] = {
        {"window 4096 to 65536", [](FFTDebugView& v) { v.fftSize = 65536; }, true},
        {"window 4096 to 256", [](FFTDebugView& v) { v.fftSize = 256; }, true},
        {"rate 44100 to 8000", [](FFTDebugView& v) { v.sampleRate = 8000.0; }, true},
        {"range moved past the kept bins",
         [](FFTDebugView& v) {
             v.minFrequency = 15000.0;
             v.maxFrequency = 20000.0;
         },
         false},
    };
    const std::vector<SpectrumBin> bins = flatSpectrum(0.5);
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        for (const FrequencyScale scale : {FrequencyScale::Linear, FrequencyScale::Logarithmic}) {
            FFTDebugView fresh;
            configureAsScene(fresh);
            fresh.setFrequencyScale(scale);
            fresh.update(framed(fresh, bins));
            const std::size_t before = fresh.getSpectrumLine().getVertexCount();
            change.apply(fresh);
            const FrequencyScale other =
                scale == FrequencyScale::Linear ? FrequencyScale::Logarithmic : FrequencyScale::Linear;
            fresh.setFrequencyScale(other);
            fresh.setPowerScale(PowerScale::Decibels);
            fresh.setPowerScale(PowerScale::Linear);
            fresh.setFrequencyScale(scale);
            const sf::VertexArray& line = fresh.getSpectrumLine();
            if (change.curveStays)
                EXPECT_EQ(line.getVertexCount(), before);
            else
                EXPECT_LE(line.getVertexCount(), before);
            for (std::size_t i = 0; i < line.getVertexCount(); ++i)
                ASSERT_FLOAT_EQ(line[i].position.y, 170.f) << "vertex " << i << " at power 0.5";
            const CursorReading_t reading = fresh.readAt({640.f, 200.f});
            EXPECT_EQ(reading.hasLevel, change.curveStays);
            if (reading.hasLevel) {
                EXPECT_DOUBLE_EQ(reading.power, 0.5);
            }
        }
    }
}

TEST_F(SceneView, EmptySpectrumLeavesThePictureInPlace)
{
    const std::vector<SpectrumBin> bins = flatSpectrum(0.5);
    view.update(framed(view, bins));
    const std::size_t curve = view.getSpectrumLine().getVertexCount();
    const std::size_t lines = view.getLinearGrid().getVertexCount() + view.getLogMajorGrid().getVertexCount();
    const std::size_t labels = view.getLinearLabels().size() + view.getLogLabels().size();
    ASSERT_GT(lines, 0u);

    view.showLinearGrid = view.showLogGrid = false; // would show at a real update
    view.update(Spectrum_t{});
    EXPECT_EQ(view.getSpectrumLine().getVertexCount(), curve);
    EXPECT_EQ(view.getLinearGrid().getVertexCount() + view.getLogMajorGrid().getVertexCount(), lines);
    EXPECT_EQ(view.getLinearLabels().size() + view.getLogLabels().size(), labels);
}

TEST_F(SceneView, LinearGridHasSixteenBinAlignedLinesWithLabelsInTheFirstRow)
{
    view.update(framed(view, flatSpectrum(0.0)));

    const sf::VertexArray& grid = view.getLinearGrid();
    ASSERT_EQ(grid.getPrimitiveType(), sf::Lines);
    ASSERT_EQ(grid.getVertexCount(), 32u);
    EXPECT_NEAR(grid[0].position.x, 19.91f, 0.005f);
    EXPECT_NEAR(grid[30].position.x, 1260.05f, 0.005f);
    EXPECT_EQ(grid[0].position.y, plotTop);
    EXPECT_EQ(grid[1].position, sf::Vector2f(grid[0].position.x, plotBottom));
    EXPECT_EQ(grid[0].color, sf::Color(70, 70, 70, 255));

    const LabelRow& labels = view.getLinearLabels();
    EXPECT_EQ(labelTexts(labels),
              (std::vector<std::string>{"32 Hz", "398 Hz", "764 Hz", "1.1 kHz", "1.5 kHz", "1.9 kHz", "2.3 kHz",
                                        "2.6 kHz", "3.0 kHz", "3.4 kHz", "3.7 kHz", "4.1 kHz", "4.5 kHz", "4.8 kHz",
                                        "5.2 kHz", "5.6 kHz"}));
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const sf::Text& label = labels[i];
        EXPECT_EQ(label.getPosition(), sf::Vector2f(grid[2 * i].position.x, plotBottom + 4.f)) << i;
        EXPECT_EQ(label.getCharacterSize(), 11u);
        EXPECT_EQ(label.getFillColor(), sf::Color(130, 130, 130, 255));
        // Centred on its line.
        const sf::FloatRect bounds = label.getGlobalBounds();
        EXPECT_NEAR(bounds.left + bounds.width / 2, label.getPosition().x, 0.01f) << i;
    }
}

TEST_F(SceneView, LogGridHasMajorLinesAtOneTwoFiveAndLabelsClearOfTheEdges)
{
    view.update(framed(view, flatSpectrum(0.0)));
    const FrequencyAxis_t axis{view.minFrequency, view.maxFrequency, plotLeft, 1240.f};

    const auto linesAt = [&](const sf::VertexArray& grid, std::vector<double> frequencies, sf::Color colour) {
        ASSERT_EQ(grid.getPrimitiveType(), sf::Lines);
        ASSERT_EQ(grid.getVertexCount(), 2 * frequencies.size());
        for (std::size_t i = 0; i < frequencies.size(); ++i) {
            EXPECT_EQ(grid[2 * i].position, sf::Vector2f(frequencyToX(axis, frequencies[i]), plotTop));
            EXPECT_EQ(grid[2 * i + 1].position.y, plotBottom);
            EXPECT_EQ(grid[2 * i].color, colour);
        }
    };
    linesAt(view.getLogMinorGrid(), {40, 60, 70, 80, 90, 300, 400, 600, 700, 800, 900, 3000, 4000},
            sf::Color(55, 55, 40, 255));
    linesAt(view.getLogMajorGrid(), {50, 100, 200, 500, 1000, 2000, 5000}, sf::Color(140, 140, 90, 255));

    // 50 and 100 Hz lie within 16 units of the left edge; decades are placed first.
    const LabelRow& labels = view.getLogLabels();
    EXPECT_EQ(labelTexts(labels), (std::vector<std::string>{"1.0 kHz", "200 Hz", "2.0 kHz", "500 Hz", "5.0 kHz"}));
    const struct {
        float x;
        sf::Color colour;
    } expected[] = {{235.92f, {230, 230, 150, 255}},
                    {57.35f, {210, 210, 120, 255}},
                    {459.15f, {210, 210, 120, 255}},
                    {124.31f, {180, 180, 100, 255}},
                    {1128.82f, {180, 180, 100, 255}}};
    ASSERT_EQ(labels.size(), std::size(expected));
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_NEAR(labels[i].getPosition().x, expected[i].x, 0.01f) << i;
        EXPECT_EQ(labels[i].getPosition().y, plotBottom + 18.f) << i;
        EXPECT_EQ(labels[i].getFillColor(), expected[i].colour) << i;
        EXPECT_EQ(labels[i].getCharacterSize(), 11u);
    }
}

TEST_F(SceneView, CrowdedLogLabelsGiveWayToLowerLevels)
{
    // On 10 Hz .. 62 kHz the 1.0 and 2.0 kHz lines lie 20 units apart.
    view.minFrequency = 10.0;
    view.maxFrequency = 62000.0;
    view.update(framed(view, flatSpectrum(0.0)));

    const LabelRow& labels = view.getLogLabels();
    const std::vector<std::string> texts = labelTexts(labels);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "1.0 kHz"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "2.0 kHz"), 0);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "5.0 kHz"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "10.0 kHz"), 1);
    for (std::size_t i = 0; i < labels.size(); ++i)
        for (std::size_t j = i + 1; j < labels.size(); ++j)
            EXPECT_FALSE(logLabelsCollide(labels[i].getGlobalBounds(), labels[j].getGlobalBounds()))
                << texts[i] << " and " << texts[j];
}

TEST_F(SceneView, FlagsChooseWhatIsBuilt)
{
    const struct {
        bool linearGrid, linearLabels, logGrid, logLabels;
        bool expectLinearLines, expectLinearLabels, expectLogLines, expectLogLabels;
    } cases[] = {
        {true, true, true, true, true, true, true, true},
        {false, true, true, true, false, true, true, true}, // labels without their lines
        {true, false, true, true, true, false, true, true},
        {true, true, false, true, true, true, true, true}, // log labels bring the log lines
        {true, true, true, false, true, true, true, false},
        {true, true, false, false, true, true, false, false},
        {false, false, false, false, false, false, false, false},
    };
    const std::vector<SpectrumBin> bins = flatSpectrum(0.3);
    for (const auto& c : cases) {
        view.showLinearGrid = c.linearGrid;
        view.showLinearLabels = c.linearLabels;
        view.showLogGrid = c.logGrid;
        view.showLogLabels = c.logLabels;
        view.update(framed(view, bins));
        SCOPED_TRACE(::testing::Message() << c.linearGrid << c.linearLabels << c.logGrid << c.logLabels);
        EXPECT_EQ(view.getLinearGrid().getVertexCount() > 0, c.expectLinearLines);
        EXPECT_EQ(!view.getLinearLabels().empty(), c.expectLinearLabels);
        EXPECT_EQ(view.getLogMajorGrid().getVertexCount() > 0, c.expectLogLines);
        EXPECT_EQ(view.getLogMinorGrid().getVertexCount() > 0, c.expectLogLines);
        EXPECT_EQ(!view.getLogLabels().empty(), c.expectLogLabels);
        EXPECT_EQ(view.getSpectrumLine().getVertexCount(), 517u) << "the curve is always drawn";
    }
}

TEST_F(SceneView, RangeAndSizeDecideWhichGridsExist)
{
    const struct {
        const char* what;
        double minFrequency, maxFrequency;
        std::uint64_t fftSize;
        double sampleRate;
        std::uint32_t tickCount;
        bool linear, log;
    } cases[] = {
        {"minimum 0", 0.0, 5000.0, 4096, 44100.0, 16, true, false},
        {"empty range", 1000.0, 1000.0, 4096, 44100.0, 16, false, false},
        {"reversed range", 5000.0, 100.0, 4096, 44100.0, 16, false, false},
        {"NaN range", std::nan(""), 5000.0, 4096, 44100.0, 16, false, false},
        {"fftSize 0", 100.0, 5000.0, 0, 44100.0, 16, false, true},
        {"sample rate 0", 100.0, 5000.0, 4096, 0.0, 16, false, true},
        {"negative sample rate", 100.0, 5000.0, 4096, -44100.0, 16, false, true},
        {"one tick", 100.0, 5000.0, 4096, 44100.0, 1, false, true},
        {"infinite maximum", 100.0, std::numeric_limits<double>::infinity(), 4096, 44100.0, 16, false, false},
        {"maximum 1e300", 100.0, 1e300, 4096, 44100.0, 16, false, true},
    };
    const std::vector<SpectrumBin> bins = flatSpectrum(0.3);
    for (const auto& c : cases) {
        view.minFrequency = c.minFrequency;
        view.maxFrequency = c.maxFrequency;
        view.fftSize = c.fftSize;
        view.sampleRate = c.sampleRate;
        view.linearTickCount = c.tickCount;
        view.update(framed(view, bins));
        EXPECT_EQ(view.getLinearGrid().getVertexCount() > 0, c.linear) << c.what;
        EXPECT_EQ(view.getLinearLabels().empty(), !c.linear) << c.what;
        EXPECT_EQ(view.getLogMajorGrid().getVertexCount() > 0, c.log) << c.what;
        EXPECT_GT(view.getSpectrumLine().getVertexCount(), 0u) << c.what;
        for (std::size_t i = 0; i < view.getSpectrumLine().getVertexCount(); ++i)
            ASSERT_TRUE(std::isfinite(view.getSpectrumLine()[i].position.x)) << c.what;
    }
}

} // namespace
} // namespace dravik
