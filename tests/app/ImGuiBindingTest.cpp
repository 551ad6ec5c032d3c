#include "ui/ImGuiBinding.h"

#include "DisplaySupport.h"

#include <imgui.h>

#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Sprite.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>

#include <cfloat>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>

namespace dravik {
namespace {

namespace fs = std::filesystem;

const sf::Time frameTime = sf::milliseconds(16);

sf::Event mouseButton(sf::Event::EventType type, sf::Mouse::Button which, ImVec2 at)
{
    sf::Event event{};
    event.type = type;
    event.mouseButton = {which, static_cast<int>(at.x), static_cast<int>(at.y)};
    return event;
}

sf::Event keyEvent(sf::Event::EventType type, sf::Keyboard::Key code)
{
    sf::Event event{};
    event.type = type;
    event.key = {code, false, false, false, false};
    return event;
}

sf::Event simple(sf::Event::EventType type)
{
    sf::Event event{};
    event.type = type;
    return event;
}

// One binding on one small window. The binding is declared first so it
// outlives the window, which uses its cursors.
class ImGuiBindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!displaySet())
            GTEST_SKIP() << "needs a display (run under xvfb-run)";
        ASSERT_TRUE(holdDisplay()) << "cannot connect to $DISPLAY";
        window.create(sf::VideoMode(400, 300), "dravik binding test", sf::Style::Default);
        ASSERT_TRUE(ui.init(window, true, "", {}));
    }

    // Clears the window and runs one UI frame with `panel` as its content.
    void frame(const std::function<void()>& panel)
    {
        window.clear();
        uiFrame(panel);
    }

    // One UI frame over whatever the window already holds.
    void uiFrame(const std::function<void()>& panel)
    {
        ui.update(window, frameTime);
        ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f));
        ImGui::SetNextWindowSize(ImVec2(200.0f, 120.0f));
        ImGui::Begin("test panel");
        panel();
        ImGui::End();
        ui.render(window);
    }

    ImGuiBinding ui;
    sf::RenderWindow window;
};

TEST_F(ImGuiBindingTest, ClickWithinOneFrameStillPressesAButton)
{
    ImVec2 centre;
    frame([&] {
        ImGui::Button("press me");
        const ImVec2 min = ImGui::GetItemRectMin();
        const ImVec2 max = ImGui::GetItemRectMax();
        centre = ImVec2((min.x + max.x) / 2.0f, (min.y + max.y) / 2.0f);
    });

    // Press and release arrive before the next frame starts.
    ui.processEvent(mouseButton(sf::Event::MouseButtonPressed, sf::Mouse::Left, centre));
    ui.processEvent(mouseButton(sf::Event::MouseButtonReleased, sf::Mouse::Left, centre));

    int presses = 0;
    for (int i = 0; i < 4; ++i)
        frame([&] { presses += ImGui::Button("press me") ? 1 : 0; });
    EXPECT_EQ(presses, 1);
}

TEST_F(ImGuiBindingTest, KeyTapWithinOneFrameIsSeenOnce)
{
    ui.processEvent(keyEvent(sf::Event::KeyPressed, sf::Keyboard::Enter));
    ui.processEvent(keyEvent(sf::Event::KeyReleased, sf::Keyboard::Enter));

    int pressed = 0;
    for (int i = 0; i < 3; ++i)
        frame([&] { pressed += ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false) ? 1 : 0; });
    EXPECT_EQ(pressed, 1);
}

TEST_F(ImGuiBindingTest, EventsReachTheMatchingInputs)
{
    sf::Event vertical{};
    vertical.type = sf::Event::MouseWheelScrolled;
    vertical.mouseWheelScroll = {sf::Mouse::VerticalWheel, 1.0f, 50, 60};
    sf::Event horizontal = vertical;
    horizontal.mouseWheelScroll.wheel = sf::Mouse::HorizontalWheel;
    horizontal.mouseWheelScroll.delta = -2.0f;
    sf::Event letter{};
    letter.type = sf::Event::TextEntered;
    letter.text.unicode = 'a';
    sf::Event backspace = letter;
    backspace.text.unicode = 0x08;
    sf::Event ctrl = keyEvent(sf::Event::KeyPressed, sf::Keyboard::LControl);
    sf::Event c = keyEvent(sf::Event::KeyPressed, sf::Keyboard::C);
    c.key.control = true;

    for (const sf::Event& event : {vertical, horizontal, letter, backspace, ctrl, c})
        ui.processEvent(event);
    ui.update(window, frameTime);

    const ImGuiIO& io = ImGui::GetIO();
    EXPECT_EQ(io.MouseWheel, 1.0f);
    EXPECT_EQ(io.MouseWheelH, -2.0f);
    EXPECT_EQ(io.MousePos.x, 50.0f);
    EXPECT_EQ(io.MousePos.y, 60.0f);
    ASSERT_EQ(io.InputQueueCharacters.Size, 1) << "control characters come as keys, not text";
    EXPECT_EQ(io.InputQueueCharacters[0], 'a');
    EXPECT_TRUE(io.KeyCtrl);
    EXPECT_TRUE(io.KeysDown[io.KeyMap[ImGuiKey_C]]);
    ui.render(window);

    ui.processEvent(simple(sf::Event::MouseLeft));
    ui.update(window, frameTime);
    EXPECT_FALSE(ImGui::IsMousePosValid()) << "a pointer outside the window hovers nothing";
    ui.render(window);
}

// X11 reports a key event's modifier flags as they were before it: the press
// of Ctrl says "not held", its release says "held".
TEST_F(ImGuiBindingTest, ModifiersFollowTheModifierKeysNotTheEventFlags)
{
    sf::Event press = keyEvent(sf::Event::KeyPressed, sf::Keyboard::RControl);
    press.key.control = false;
    sf::Event release = keyEvent(sf::Event::KeyReleased, sf::Keyboard::RControl);
    release.key.control = true;
    sf::Event shift = keyEvent(sf::Event::KeyPressed, sf::Keyboard::LShift);

    ui.processEvent(press);
    ui.processEvent(shift);
    ui.update(window, frameTime);
    EXPECT_TRUE(ImGui::GetIO().KeyCtrl);
    EXPECT_TRUE(ImGui::GetIO().KeyShift);
    EXPECT_FALSE(ImGui::GetIO().KeyAlt);
    ui.render(window);

    ui.processEvent(release);
    frame([] {});
    ui.update(window, frameTime);
    EXPECT_FALSE(ImGui::GetIO().KeyCtrl) << "released Ctrl stays held";
    EXPECT_TRUE(ImGui::GetIO().KeyShift);
    ui.render(window);
}

TEST_F(ImGuiBindingTest, LosingFocusReleasesHeldButtonsAndKeys)
{
    ui.processEvent(mouseButton(sf::Event::MouseButtonPressed, sf::Mouse::Left, ImVec2(20.0f, 20.0f)));
    ui.processEvent(keyEvent(sf::Event::KeyPressed, sf::Keyboard::Space));
    frame([] {});
    ui.processEvent(simple(sf::Event::LostFocus));

    ui.update(window, frameTime);
    const ImGuiIO& io = ImGui::GetIO();
    EXPECT_FALSE(io.MouseDown[0]);
    EXPECT_FALSE(io.KeysDown[sf::Keyboard::Space]);
    ui.render(window);
}

TEST_F(ImGuiBindingTest, SfmlDrawingAfterTheUiIsUnaffected)
{
    // A textured draw before the UI leaves a texture bound in GL.
    sf::Image greenPixels;
    greenPixels.create(4, 4, sf::Color::Green);
    sf::Texture green;
    ASSERT_TRUE(green.loadFromImage(greenPixels));
    sf::Sprite sprite(green);
    sprite.setPosition(300.0f, 10.0f);

    // ImGui shows a new panel from its second frame on.
    for (int i = 0; i < 2; ++i) {
        window.clear();
        window.draw(sprite);
        uiFrame([] { ImGui::Text("drawn by ImGui"); });
    }

    sf::RectangleShape red({50.0f, 50.0f});
    red.setFillColor(sf::Color::Red);
    red.setPosition(300.0f, 200.0f);
    window.draw(red);

    sf::Texture capture;
    ASSERT_TRUE(capture.create(400, 300));
    capture.update(window);
    const sf::Image pixels = capture.copyToImage();
    window.display();

    EXPECT_EQ(pixels.getPixel(325, 225), sf::Color::Red);
    EXPECT_EQ(pixels.getPixel(301, 11), sf::Color::Green);
    EXPECT_NE(pixels.getPixel(30, 20), sf::Color::Black) << "the panel was drawn";
    EXPECT_EQ(pixels.getPixel(390, 290), sf::Color::Black);
}

TEST_F(ImGuiBindingTest, ClipboardGoesThroughTheSystemClipboard)
{
    frame([] { ImGui::SetClipboardText(u8"Dravik \u00e9"); });
    std::string read;
    frame([&] { read = ImGui::GetClipboardText(); });
    EXPECT_EQ(read, u8"Dravik \u00e9");
}

TEST_F(ImGuiBindingTest, FirstFrameAfterTheWindowClosedStillRuns)
{
    // The frame loop runs one more frame after a close, possibly the first.
    window.close();
    frame([] { ImGui::Text("never shown"); });
    ui.shutdown();
    EXPECT_FALSE(ui.isActive());
}

TEST(ImGuiBindingSettingsTest, SettingsAreSavedAtShutdownAfterTheWindowClosed)
{
    if (!displaySet())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    ASSERT_TRUE(holdDisplay()) << "cannot connect to $DISPLAY";
    const fs::path folder = fs::temp_directory_path() / ("dravik-binding-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path file = folder / "imgui.ini";

    ImGuiBinding ui;
    sf::RenderWindow window(sf::VideoMode(300, 200), "dravik settings test");
    ASSERT_TRUE(ui.init(window, true, file.string(), {"remembered panel"}));
    ui.update(window, frameTime);
    ImGui::Begin("remembered panel");
    ImGui::End();
    ui.render(window);
    window.display();

    // The frame loop closes the window before the scene stops the binding.
    window.close();
    ui.shutdown();
    EXPECT_FALSE(ui.isActive());

    std::ifstream saved(file);
    std::stringstream text;
    text << saved.rdbuf();
    EXPECT_NE(text.str().find("[Window][remembered panel]"), std::string::npos) << text.str();
    fs::remove_all(folder);
}

} // namespace
} // namespace dravik
