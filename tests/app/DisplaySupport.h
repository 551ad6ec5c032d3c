#pragma once

#include "app/DisplayConnection.h"

#include <SFML/Window/Context.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

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

// Points XDG_CONFIG_HOME at a fresh folder for one test, so a scene's UI
// settings stay out of $HOME and never carry over; removed afterwards.
class TemporaryConfigHome {
public:
    explicit TemporaryConfigHome(const std::string& name)
        : folder(std::filesystem::temp_directory_path() / ("dravik-" + name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(folder);
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    ~TemporaryConfigHome() { std::filesystem::remove_all(folder); }
    TemporaryConfigHome(const TemporaryConfigHome&) = delete;
    TemporaryConfigHome& operator=(const TemporaryConfigHome&) = delete;

    const std::filesystem::path& path() const { return folder; }

private:
    std::filesystem::path folder;
};

} // namespace dravik
