#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

#include <vector>

namespace dravik {
namespace {

TEST(WindowPlacementTest, CentresOnTheDesktopAndNeverAboveOrLeftOfIt)
{
    struct Case {
        sf::Vector2u desktop;
        sf::Vector2u window;
        sf::Vector2i expected;
    };
    const std::vector<Case> cases{
        {{1920, 1080}, {1280, 768}, {320, 156}}, {{1921, 1081}, {1280, 768}, {320, 156}},
        {{1280, 768}, {1280, 768}, {0, 0}},      {{1024, 600}, {1280, 768}, {0, 0}},
        {{1024, 1080}, {1280, 768}, {0, 156}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "desktop " << c.desktop.x << "x" << c.desktop.y);
        EXPECT_EQ(centredWindowPosition(c.desktop, c.window), c.expected);
    }
}

} // namespace
} // namespace dravik
