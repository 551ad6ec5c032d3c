#include "view/FFTDebugView.h"
#include "view/MidiDisplay.h"

#include "ViewTestSupport.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderTexture.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace dravik {
namespace {

// Renders both drawables as the application does (display first, then the
// view at (0, 20)) and checks pixels that prove each layer is there.
class ViewRender : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        FFTDebugView view;
        testing::configureAsScene(view);

        // A quiet floor with a broad peak around 1 kHz (bins 85 to 101) whose flat
        // top puts the curve in the middle of pixel row 70.
        std::vector<SpectrumBin> bins = testing::flatSpectrum(0.02);
        for (std::size_t k = 85; k <= 101; ++k)
            bins[k].power = 0.6;
        for (std::size_t k = 88; k <= 98; ++k)
            bins[k].power = (320.0 - 50.5) / 300.0;
        view.update(testing::framed(view, bins));

        MidiDisplay display;
        const std::vector<NoteEnergy> notes{{24, 0.3}, {60, 0.0}, {65, 0.01}, {69, 0.05}, {100, 0.1}};
        display.advance(0.5f);
        display.update({notes.data(), notes.size()});

        sf::RenderTexture texture;
        ASSERT_TRUE(texture.create(1280, 768));
        texture.clear(sf::Color(32, 32, 32));
        texture.draw(display);
        texture.draw(view);
        texture.display();
        image = std::make_unique<sf::Image>(texture.getTexture().copyToImage());

        std::filesystem::create_directories(DRAVIK_ARTIFACTS_DIR);
        image->saveToFile(std::string(DRAVIK_ARTIFACTS_DIR) + "/view-render.png");
    }

    static void TearDownTestSuite() { image.reset(); }

    static sf::Color at(unsigned x, unsigned y) { return image->getPixel(x, y); }

    inline static std::unique_ptr<sf::Image> image;
};

TEST_F(ViewRender, ShowsEachLayer)
{
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->getSize(), sf::Vector2u(1280, 768));

    EXPECT_EQ(at(700, 39), sf::Color(100, 100, 100)) << "frame, top edge";
    EXPECT_EQ(at(240, 70), sf::Color::White) << "curve over the peak";
    EXPECT_EQ(at(459, 200), sf::Color(140, 140, 90)) << "2 kHz major log line";
    EXPECT_EQ(at(1000, 600), sf::Color(32, 32, 32)) << "background";

    // The fill under the peak is translucent cyan over the background.
    const sf::Color fill = at(245, 300);
    EXPECT_LT(fill.r, 32);
    EXPECT_EQ(fill.g, fill.b);
    EXPECT_GT(fill.g, 100);

    EXPECT_EQ(at(542, 18), sf::Color::White) << "note 60 square, beside its label";
    EXPECT_EQ(at(614, 25), sf::Color(166, 201, 236)) << "note 65 square";
    EXPECT_EQ(at(300, 15), sf::Color::Magenta) << "baseline";
    EXPECT_EQ(at(542, 15), sf::Color::Magenta) << "baseline over note 60's square";
}

TEST_F(ViewRender, LabelRowsSitUnderThePlot)
{
    ASSERT_NE(image, nullptr);
    // Some bright pixel of a given colour family inside a box.
    const auto anyPixel = [](unsigned left, unsigned top, unsigned right, unsigned bottom, auto&& match) {
        for (unsigned y = top; y < bottom; ++y)
            for (unsigned x = left; x < right; ++x)
                if (match(at(x, y)))
                    return true;
        return false;
    };
    const auto grey = [](sf::Color c) { return c.r > 90 && c.r == c.g && c.g == c.b; };
    const auto yellow = [](sf::Color c) { return c.r > 120 && c.r == c.g && c.b + 40 < c.r; };

    // First row, top at 344: "398 Hz" around x 98; second row, top at 358: "1.0 kHz" around x 236.
    EXPECT_TRUE(anyPixel(80, 344, 120, 358, grey));
    EXPECT_FALSE(anyPixel(80, 344, 120, 358, yellow));
    EXPECT_TRUE(anyPixel(215, 358, 260, 374, yellow));
    EXPECT_FALSE(anyPixel(0, 380, 1280, 768, grey)) << "nothing below the label rows";
}

} // namespace
} // namespace dravik
