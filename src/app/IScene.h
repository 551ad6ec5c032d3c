#pragma once

namespace sf {
class Event;
class RenderWindow;
class Time;
} // namespace sf

namespace dravik {

// The one scene the frame loop drives. The loop calls onStart once, then per
// frame handleEvent for each polled event, update and render, then onStop once.
class IScene {
public:
    virtual ~IScene() = default;

    virtual void onStart(sf::RenderWindow& window) = 0;
    virtual void onStop(sf::RenderWindow& window) = 0;
    virtual void render(sf::RenderWindow& window) = 0;
    virtual void update(sf::RenderWindow& window, const sf::Time& elapsed) = 0;
    // Returns true if the event was consumed; the loop never passes Closed.
    virtual bool handleEvent(sf::RenderWindow& window, const sf::Event& event) = 0;

protected:
    IScene() = default;
    IScene(const IScene&) = default;
    IScene& operator=(const IScene&) = default;
};

} // namespace dravik
