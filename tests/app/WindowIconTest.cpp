#include "app/WindowIcon.h"

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace dravik {
namespace {

TEST(WindowIconTest, EmbeddedIconIsAnOpaquePulseOnWhite)
{
    sf::Image icon;
    std::ostringstream errors;
    ASSERT_TRUE(decodeWindowIcon(icon, resources::windowIcon(), errors));
    EXPECT_TRUE(errors.str().empty());
    ASSERT_EQ(icon.getSize(), sf::Vector2u(409, 409));

    bool opaque = true;
    for (unsigned y = 0; y < 409; ++y)
        for (unsigned x = 0; x < 409; ++x)
            opaque = opaque && icon.getPixel(x, y).a == 255;
    EXPECT_TRUE(opaque);

    // Topmost black pixel of a column: the line's height there.
    const auto inkTop = [&icon](unsigned x) {
        for (unsigned y = 0; y < 409; ++y)
            if (icon.getPixel(x, y).r < 64)
                return static_cast<int>(y);
        return 409;
    };
    const int flat = inkTop(40);
    const int smallPeak = inkTop(140);
    const int tallPeak = inkTop(232);
    EXPECT_LT(flat, 409) << "the flat start is drawn";
    EXPECT_LT(smallPeak, flat);
    EXPECT_LT(tallPeak, smallPeak);
    EXPECT_EQ(icon.getPixel(4, 4), sf::Color::White);
    EXPECT_EQ(icon.getPixel(404, 404), sf::Color::White);
}

TEST(WindowIconTest, UndecodableBytesAreReportedAndLeaveNoIcon)
{
    const resources::ByteView real = resources::windowIcon();
    const std::vector<unsigned char> garbage(256, 0x5A);
    struct Case {
        const char* name;
        resources::ByteView bytes;
    };
    const std::vector<Case> cases{
        {"truncated", {real.data, 64}},
        {"garbage", {garbage.data(), garbage.size()}},
        {"empty", {real.data, 0}},
        {"null", {nullptr, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sf::Image icon;
        std::ostringstream errors;
        EXPECT_FALSE(decodeWindowIcon(icon, c.bytes, errors));
        EXPECT_NE(errors.str().find("icon"), std::string::npos);
        EXPECT_EQ(icon.getSize(), sf::Vector2u(0, 0));
    }
}

} // namespace
} // namespace dravik
