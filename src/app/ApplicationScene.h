#pragma once

#include "app/IScene.h"
#include "ui/ImGuiBinding.h"

#include <SFML/System/Clock.hpp>

namespace dravik {

class IViewContext;

// The program's one scene: the UI binding, the world view's pan and zoom, and
// (drawn in world space, under the panels) everything the program shows.
class ApplicationScene final : public IScene {
public:
    // The view context must outlive the scene.
    explicit ApplicationScene(IViewContext& viewContext);

    void onStart(sf::RenderWindow& window) override;
    void onStop(sf::RenderWindow& window) override;
    void render(sf::RenderWindow& window) override;
    void update(sf::RenderWindow& window, const sf::Time& elapsed) override;
    bool handleEvent(sf::RenderWindow& window, const sf::Event& event) override;

private:
    void drawMainMenu();

    IViewContext& viewContext;
    // Outlives the window, whose mouse cursors it owns.
    ImGuiBinding ui;
    sf::Clock frameClock;
};

} // namespace dravik
