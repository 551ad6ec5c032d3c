#include "app/ViewState.h"

#include <SFML/Graphics/RenderTarget.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace dravik {
namespace {

// A render target of a given pixel size with no window or GL context behind it:
// pixel-to-world mapping is all ViewState asks of its target.
class FakeTarget : public sf::RenderTarget {
public:
    explicit FakeTarget(sf::Vector2u size)
        : size(size)
    {
        initialize();
    }
    sf::Vector2u getSize() const override { return size; }
    void setSize(sf::Vector2u value) { size = value; }

private:
    sf::Vector2u size;
};

sf::Event wheel(float delta, int x, int y, sf::Mouse::Wheel axis = sf::Mouse::VerticalWheel)
{
    sf::Event event{};
    event.type = sf::Event::MouseWheelScrolled;
    event.mouseWheelScroll = {axis, delta, x, y};
    return event;
}

sf::Event button(sf::Event::EventType type, sf::Mouse::Button which, int x, int y)
{
    sf::Event event{};
    event.type = type;
    event.mouseButton = {which, x, y};
    return event;
}

sf::Event moved(int x, int y)
{
    sf::Event event{};
    event.type = sf::Event::MouseMoved;
    event.mouseMove = {x, y};
    return event;
}

sf::Event resized(unsigned width, unsigned height)
{
    sf::Event event{};
    event.type = sf::Event::Resized;
    event.size = {width, height};
    return event;
}

// The window's view right after it opens at 1280 x 768.
class ViewStateTest : public ::testing::Test {
protected:
    ViewStateTest()
        : target({1280, 768})
    {
        state.view = target.getDefaultView();
    }

    void expectUnchanged(const sf::View& before, float zoomBefore) const
    {
        EXPECT_EQ(state.view.getCenter(), before.getCenter());
        EXPECT_EQ(state.view.getSize(), before.getSize());
        EXPECT_EQ(state.zoom, zoomBefore);
    }

    FakeTarget target;
    ViewState state;
};

TEST_F(ViewStateTest, ForwardNotchesStopAtTheLowerZoomLimit)
{
    for (int i = 0; i < 31; ++i)
        ASSERT_TRUE(state.handleEvent(target, wheel(1.0f, 640, 384)));
    EXPECT_NEAR(state.zoom, 0.0520986f, 1e-7f);

    const sf::View before = state.view;
    const float zoomBefore = state.zoom;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(state.handleEvent(target, wheel(1.0f, 640, 384))) << "a refused notch is still consumed";
    expectUnchanged(before, zoomBefore);
}

TEST_F(ViewStateTest, BackwardNotchesStopAtTheUpperZoomLimit)
{
    for (int i = 0; i < 41; ++i)
        ASSERT_TRUE(state.handleEvent(target, wheel(-1.0f, 640, 384)));
    EXPECT_NEAR(state.zoom, 49.785217f, 2e-5f);

    const sf::View before = state.view;
    const float zoomBefore = state.zoom;
    EXPECT_TRUE(state.handleEvent(target, wheel(-1.0f, 640, 384)));
    expectUnchanged(before, zoomBefore);

    // Forward notches are still accepted from the limit.
    EXPECT_TRUE(state.handleEvent(target, wheel(1.0f, 640, 384)));
    EXPECT_LT(state.zoom, zoomBefore);
}

TEST_F(ViewStateTest, ZoomKeepsTheWorldPointUnderTheCursor)
{
    struct Case {
        sf::Vector2i cursor;
        float delta;
        sf::Vector2f size;
    };
    const std::vector<Case> cases{
        {{640, 384}, 1.0f, {1163.6364f, 698.18176f}},
        {{0, 0}, 1.0f, {1163.6364f, 698.18176f}},
        {{1000, 100}, -1.0f, {1408.0f, 844.8f}},
        {{640, 384}, 0.5f, {1280.0f * 0.953463f, 768.0f * 0.953463f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "cursor " << c.cursor.x << "," << c.cursor.y << " delta " << c.delta);
        ViewState fresh;
        fresh.view = target.getDefaultView();
        const sf::Vector2f worldBefore = target.mapPixelToCoords(c.cursor, fresh.view);

        EXPECT_TRUE(fresh.handleEvent(target, wheel(c.delta, c.cursor.x, c.cursor.y)));

        EXPECT_NEAR(fresh.view.getSize().x, c.size.x, 2e-3f);
        EXPECT_NEAR(fresh.view.getSize().y, c.size.y, 2e-3f);
        const sf::Vector2f worldAfter = target.mapPixelToCoords(c.cursor, fresh.view);
        EXPECT_NEAR(worldAfter.x, worldBefore.x, 1e-3f);
        EXPECT_NEAR(worldAfter.y, worldBefore.y, 1e-3f);
    }

    ViewState centred;
    centred.view = target.getDefaultView();
    centred.handleEvent(target, wheel(1.0f, 640, 384));
    EXPECT_NEAR(centred.view.getCenter().x, 640.0f, 1e-3f);
    EXPECT_NEAR(centred.view.getCenter().y, 384.0f, 1e-3f);
}

TEST_F(ViewStateTest, RightDragMovesTheViewByTheWorldUnitsOfOnePixel)
{
    struct Case {
        sf::Vector2f viewSize;
        sf::Vector2f expectedShift;
    };
    const std::vector<Case> cases{
        {{1280.0f, 768.0f}, {-10.0f, 5.0f}},
        {{640.0f, 384.0f}, {-5.0f, 2.5f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "view width " << c.viewSize.x);
        ViewState drag;
        drag.view = target.getDefaultView();
        drag.view.setSize(c.viewSize);
        const sf::Vector2f centre = drag.view.getCenter();

        EXPECT_TRUE(drag.handleEvent(target, button(sf::Event::MouseButtonPressed, sf::Mouse::Right, 100, 100)));
        EXPECT_TRUE(drag.dragging);
        EXPECT_TRUE(drag.handleEvent(target, moved(110, 95)));

        EXPECT_FLOAT_EQ(drag.view.getCenter().x - centre.x, c.expectedShift.x);
        EXPECT_FLOAT_EQ(drag.view.getCenter().y - centre.y, c.expectedShift.y);
        EXPECT_EQ(drag.lastMousePosition, sf::Vector2i(110, 95));
    }
}

TEST_F(ViewStateTest, DragStepsAccumulateAndEndWithTheRightRelease)
{
    state.handleEvent(target, button(sf::Event::MouseButtonPressed, sf::Mouse::Right, 100, 100));
    EXPECT_TRUE(state.handleEvent(target, moved(100, 100))) << "a move to the press pixel is consumed";
    EXPECT_EQ(state.view.getCenter(), sf::Vector2f(640.0f, 384.0f));

    state.handleEvent(target, moved(90, 100));
    state.handleEvent(target, moved(80, 110));
    EXPECT_EQ(state.view.getCenter(), sf::Vector2f(660.0f, 374.0f));

    EXPECT_TRUE(state.handleEvent(target, button(sf::Event::MouseButtonReleased, sf::Mouse::Right, 80, 110)));
    EXPECT_FALSE(state.dragging);
    EXPECT_FALSE(state.handleEvent(target, moved(0, 0)));
    EXPECT_EQ(state.view.getCenter(), sf::Vector2f(660.0f, 374.0f));
}

TEST_F(ViewStateTest, PanStaysFiniteOnAnEmptyTarget)
{
    FakeTarget empty({0, 0});
    state.handleEvent(empty, button(sf::Event::MouseButtonPressed, sf::Mouse::Right, 10, 10));
    state.handleEvent(empty, moved(12, 13));
    // One pixel counts as the whole view size when the divisor is guarded.
    EXPECT_FLOAT_EQ(state.view.getCenter().x, 640.0f - 2.0f * 1280.0f);
    EXPECT_FLOAT_EQ(state.view.getCenter().y, 384.0f - 3.0f * 768.0f);
}

TEST_F(ViewStateTest, OtherInputIsNotConsumedAndChangesNothing)
{
    sf::Event key{};
    key.type = sf::Event::KeyPressed;
    key.key.code = sf::Keyboard::Space;
    const std::vector<sf::Event> ignored{
        button(sf::Event::MouseButtonPressed, sf::Mouse::Left, 100, 100),
        button(sf::Event::MouseButtonReleased, sf::Mouse::Middle, 100, 100),
        wheel(1.0f, 640, 384, sf::Mouse::HorizontalWheel),
        moved(300, 200),
        key,
    };
    const sf::View before = state.view;
    for (const sf::Event& event : ignored) {
        SCOPED_TRACE(::testing::Message() << "event type " << event.type);
        EXPECT_FALSE(state.handleEvent(target, event));
    }
    expectUnchanged(before, 1.0f);
    EXPECT_FALSE(state.dragging);
    EXPECT_EQ(state.lastMousePosition, sf::Vector2i(0, 0));
}

TEST_F(ViewStateTest, ResizeKeepsTheTopLeftCornerAndTheScale)
{
    // Unmoved, and zoomed and panned: the world point at the window's corner
    // and the world units per pixel stay, smaller and larger.
    for (const bool panned : {false, true}) {
        state.reset({1280, 768});
        target.setSize({1280, 768});
        if (panned) {
            state.handleEvent(target, wheel(2.0f, 100, 100));
            state.handleEvent(target, button(sf::Event::MouseButtonPressed, sf::Mouse::Right, 10, 10));
            state.handleEvent(target, moved(60, 40));
        }
        for (const sf::Vector2u size : {sf::Vector2u(800, 600), sf::Vector2u(1920, 1080)}) {
            SCOPED_TRACE(::testing::Message() << (panned ? "moved, " : "unmoved, ") << size.x << "x" << size.y);
            const sf::Vector2f corner = state.view.getCenter() - state.view.getSize() / 2.0f;
            const float unitsPerPixel = state.view.getSize().x / static_cast<float>(target.getSize().x);
            const float zoom = state.zoom;
            target.setSize(size);

            EXPECT_TRUE(state.handleEvent(target, resized(size.x, size.y)));

            const sf::Vector2f after = state.view.getCenter() - state.view.getSize() / 2.0f;
            EXPECT_NEAR(after.x, corner.x, 1e-3f);
            EXPECT_NEAR(after.y, corner.y, 1e-3f);
            EXPECT_NEAR(state.view.getSize().x, static_cast<float>(size.x) * unitsPerPixel, 1e-2f);
            EXPECT_NEAR(state.view.getSize().y, static_cast<float>(size.y) * unitsPerPixel, 1e-2f);
            EXPECT_EQ(state.zoom, zoom);
        }
    }
}

TEST_F(ViewStateTest, ResetGivesTheStartViewForTheWindowsSize)
{
    state.handleEvent(target, wheel(3.0f, 100, 100));
    state.handleEvent(target, button(sf::Event::MouseButtonPressed, sf::Mouse::Right, 10, 10));
    state.handleEvent(target, moved(60, 40));
    state.reset({800, 600});
    EXPECT_EQ(state.view.getSize(), sf::Vector2f(800.f, 600.f));
    EXPECT_EQ(state.view.getCenter(), sf::Vector2f(400.f, 300.f));
    EXPECT_EQ(state.zoom, 1.0f);
    EXPECT_FALSE(state.dragging);
}

} // namespace
} // namespace dravik
