#include "app/Application.h"

#include "app/IScene.h"
#include "app/ProcessFaults.h"
#include "app/WindowPlacement.h"

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/System/Clock.hpp>
#include <SFML/Window/Event.hpp>

namespace dravik {

namespace {

const sf::Color clearColour{32, 32, 32, 255};

} // namespace

Application::Application(const WindowSettings& settings)
    : settings(&settings)
{
}

void Application::run(IScene& scene)
{
    sf::RenderWindow window(settings->videoMode, sf::String(settings->title), sf::Style::Default, settings->context);
    if (settings->icon != nullptr) {
        const sf::Vector2u iconSize = settings->icon->getSize();
        window.setIcon(iconSize.x, iconSize.y, settings->icon->getPixelsPtr());
    }
    window.setFramerateLimit(settings->frameRateLimit);
    // Left alone, the window system may place the window partly off-screen.
    const sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
    window.setPosition(centredWindowPosition({desktop.width, desktop.height}, window.getSize()));

    scene.onStart(window);

    sf::Clock loopClock;
    sf::Event event;
    // A close ends the loop only after the frame it arrived in has completed.
    while (window.isOpen()) {
        // A stop signal ends the run the way a close request does.
        if (takeStopRequest())
            window.close();
        while (window.pollEvent(event)) {
            if (event.type == sf::Event::Closed)
                window.close();
            else
                scene.handleEvent(window, event);
        }
        scene.update(window, loopClock.restart());
        window.clear(clearColour);
        scene.render(window);
        window.display();
    }

    scene.onStop(window);
}

} // namespace dravik
