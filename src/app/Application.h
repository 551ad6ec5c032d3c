#pragma once

#include "app/WindowSettings.h"

namespace dravik {

class IScene;

// Runs the frame loop: creates the window, drives the scene until the window
// is closed, and destroys the window.
class Application {
public:
    // The settings must outlive the runner.
    explicit Application(const WindowSettings& settings);

    void run(IScene& scene);

private:
    const WindowSettings* settings;
};

} // namespace dravik
