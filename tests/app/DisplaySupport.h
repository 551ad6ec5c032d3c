#pragma once

#include "app/DisplayConnection.h"

#include <SFML/Window/Context.hpp>

#include <cstdlib>

namespace dravik {

// Window tests run on $DISPLAY (Xvfb under scripts/test.sh) and skip without it.
inline bool displaySet()
{
    const char* name = std::getenv("DISPLAY");
    return name != nullptr && *name != '\0';
}

// Connects once per test process and stays connected until exit:
// - Xvfb resets itself whenever its last client leaves and refuses connections
//   while it does, so the connection (retried at first) keeps it from resetting
//   between two windows;
// - one GL context that is never destroyed keeps the GL driver loaded to the
//   end, so LeakSanitizer still sees the driver's own allocations as reachable
//   instead of reporting them from an unloaded library.
inline bool holdDisplay()
{
    static const DisplayConnection connection;
    if (!connection.isOpen())
        return false;
    static sf::Context* const driverKeeper = [] {
        auto* context = new sf::Context;
        context->setActive(false);
        return context;
    }();
    return driverKeeper != nullptr;
}

} // namespace dravik
