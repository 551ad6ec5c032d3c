#pragma once

#include "app/ApplicationScene.h"
#include "app/ViewContextImpl.h"

#include "DisplaySupport.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace dravik {

// Drives the real scene frame by frame on a window, as the frame loop does,
// with its settings in a temporary folder of its own.
class SceneOnWindow : public ::testing::Test {
protected:
    explicit SceneOnWindow(std::string name)
        : name(std::move(name))
    {
    }

    void SetUp() override
    {
        if (!displaySet())
            GTEST_SKIP() << "needs a display (run under xvfb-run)";
        ASSERT_TRUE(holdDisplay()) << "cannot connect to $DISPLAY";
        config = std::make_unique<TemporaryConfigHome>(name);
        scene = std::make_unique<ApplicationScene>(viewContext);
        window = std::make_unique<sf::RenderWindow>(sf::VideoMode(1280, 768), "dravik " + name + " test");
        scene->onStart(*window);
    }

    void TearDown() override
    {
        if (!scene)
            return;
        window->close();
        scene->onStop(*window);
        scene.reset();
    }

    // Picks an item of the "FFT Window Sizes" combo (4096 << index), as the panel does.
    void selectWindowSize(std::int32_t index)
    {
        FFTParams_t params = scene->analyserSettings();
        params.windowSize = windowSizeOfItem(index);
        scene->applyFFTParams(params);
    }

    void frame()
    {
        scene->update(*window, sf::Time::Zero);
        window->clear();
        scene->render(*window);
        window->display();
    }

    std::string name;
    std::unique_ptr<TemporaryConfigHome> config;
    ViewContextImpl viewContext;
    std::unique_ptr<ApplicationScene> scene;
    std::unique_ptr<sf::RenderWindow> window;
};

} // namespace dravik
