#include "app/ApplicationScene.h"

#include "app/IViewContext.h"
#include "ui/SettingsLocation.h"

#include <imgui.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>

namespace dravik {

ApplicationScene::ApplicationScene(IViewContext& viewContext) : viewContext(viewContext) {}

void ApplicationScene::onStart(sf::RenderWindow& window)
{
    ui.init(window, true, uiSettingsFile());
    viewContext.worldView().view = window.getView();
    viewContext.screenView().view = window.getDefaultView();
}

void ApplicationScene::onStop(sf::RenderWindow&)
{
    ui.shutdown();
}

bool ApplicationScene::handleEvent(sf::RenderWindow& window, const sf::Event& event)
{
    // Both see every event: a wheel turn over a panel also zooms the drawing.
    ui.processEvent(event);
    return viewContext.worldView().handleEvent(window, event);
}

void ApplicationScene::update(sf::RenderWindow& window, const sf::Time&)
{
    const sf::Time dt = frameClock.restart();
    ui.update(window, dt);
    drawMainMenu();
}

void ApplicationScene::render(sf::RenderWindow& window)
{
    window.setView(viewContext.worldView().view);
    ui.render(window);
}

void ApplicationScene::drawMainMenu()
{
    ImGui::Begin("dravik.smx main menu", nullptr, ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::LabelText("FPS", "%0.2f", static_cast<double>(ImGui::GetIO().Framerate));
    ImGui::End();
}

} // namespace dravik
