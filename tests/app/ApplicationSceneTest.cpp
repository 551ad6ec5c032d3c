#include "app/ApplicationScene.h"
#include "app/SceneLayout.h"
#include "app/ViewContextImpl.h"

#include "DisplaySupport.h"

#include <imgui.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>

#include <filesystem>

namespace dravik {
namespace {

namespace fs = std::filesystem;

TEST(ApplicationSceneTest, EventsReachTheUiAndPanAndZoomTheWorldView)
{
    if (!displaySet())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    ASSERT_TRUE(holdDisplay()) << "cannot connect to $DISPLAY";
    const TemporaryConfigHome config("scene");

    ViewContextImpl viewContext;
    ApplicationScene scene(viewContext);
    sf::RenderWindow window(sf::VideoMode(1280, 768), "dravik scene test");
    scene.onStart(window);

    const ViewState& world = viewContext.worldView();
    EXPECT_EQ(world.view.getCenter(), sf::Vector2f(640.0f, 384.0f));
    EXPECT_EQ(world.view.getSize(), sf::Vector2f(1280.0f, 768.0f));
    EXPECT_EQ(viewContext.screenView().view.getSize(), sf::Vector2f(1280.0f, 768.0f));

    // A wheel turn over the main menu panel (ImGui puts it at 60, 60) zooms too.
    sf::Event wheel{};
    wheel.type = sf::Event::MouseWheelScrolled;
    wheel.mouseWheelScroll = {sf::Mouse::VerticalWheel, 1.0f, 80, 80};
    sf::Event press{};
    press.type = sf::Event::MouseButtonPressed;
    press.mouseButton = {sf::Mouse::Right, 400, 400};
    sf::Event move{};
    move.type = sf::Event::MouseMoved;
    move.mouseMove = {390, 400};
    sf::Event leftPress = press;
    leftPress.mouseButton.button = sf::Mouse::Left;

    for (int frame = 0; frame < 2; ++frame) {
        scene.update(window, sf::milliseconds(16));
        window.clear();
        scene.render(window);
        window.display();
    }
    EXPECT_TRUE(scene.handleEvent(window, wheel));
    EXPECT_LT(world.zoom, 1.0f);
    EXPECT_EQ(ImGui::GetIO().MouseWheel, 1.0f) << "the panels got the same turn";
    EXPECT_TRUE(scene.handleEvent(window, press));
    const sf::Vector2f before = world.view.getCenter();
    EXPECT_TRUE(scene.handleEvent(window, move));
    EXPECT_GT(world.view.getCenter().x, before.x);
    EXPECT_FALSE(scene.handleEvent(window, leftPress));

    scene.update(window, sf::milliseconds(16));
    scene.render(window);
    EXPECT_EQ(window.getView().getCenter(), world.view.getCenter()) << "the world view stays current after render";
    EXPECT_EQ(window.getView().getSize(), world.view.getSize());

    window.close();
    scene.onStop(window);
    EXPECT_TRUE(fs::exists(config.path() / "dravik" / "imgui.ini"));
}

TEST(ApplicationSceneTest, ALargerWindowGivesTheHistoryItsRoomAndTheSideBarLeavesTheNewestSecondsClear)
{
    if (!displaySet())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    ASSERT_TRUE(holdDisplay()) << "cannot connect to $DISPLAY";
    const TemporaryConfigHome config("scene-layout");
    ViewContextImpl viewContext;
    ApplicationScene scene(viewContext);
    sf::RenderWindow window(sf::VideoMode(1280, 768), "dravik scene test");
    scene.onStart(window);
    const HistoryView& history = scene.historyPane().display();

    float previousHeight = 0.0f;
    for (const sf::Vector2u size : {sf::Vector2u(1280, 768), sf::Vector2u(1600, 1000), sf::Vector2u(1920, 1080)}) {
        SCOPED_TRACE(::testing::Message() << size.x << "x" << size.y);
        sf::Event resized{};
        resized.type = sf::Event::Resized;
        resized.size = {size.x, size.y};
        scene.handleEvent(window, resized);

        // The drawing stays at the window's top left; the history reaches its bottom edge.
        const sf::View& world = viewContext.worldView().view;
        EXPECT_EQ(world.getCenter() - world.getSize() / 2.0f, sf::Vector2f(0.0f, 0.0f));
        const float bottom = history.getPosition().y + history.getHeight();
        EXPECT_LE(bottom, static_cast<float>(size.y));
        EXPECT_GE(bottom, static_cast<float>(size.y) - 8.0f);
        EXPECT_GT(history.getHeight(), previousHeight);
        previousHeight = history.getHeight();
        // The side bar ends above the newest seconds at the default span.
        ASSERT_EQ(history.getSpan(), defaultHistorySpan);
        EXPECT_LE(scene.panelLayout().getSideBarBottom(), history.getPosition().y + history.yOf(clearNewestSeconds));
    }
    window.close();
    scene.onStop(window);
}

} // namespace
} // namespace dravik
