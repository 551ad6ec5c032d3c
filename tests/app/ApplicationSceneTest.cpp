#include "app/ApplicationScene.h"
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

} // namespace
} // namespace dravik
