#include "app/DisplayConnection.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace dravik {

namespace {

constexpr int kAttempts = 20;
constexpr std::chrono::milliseconds kRetryDelay{50};

} // namespace

DisplayConnection::DisplayConnection() : display(XOpenDisplay(nullptr))
{
    const char* name = std::getenv("DISPLAY");
    const bool displaySet = name != nullptr && *name != '\0';
    for (int attempt = 1; display == nullptr && displaySet && attempt < kAttempts; ++attempt) {
        std::this_thread::sleep_for(kRetryDelay);
        display = XOpenDisplay(nullptr);
    }
}

DisplayConnection::~DisplayConnection()
{
    if (display != nullptr)
        XCloseDisplay(display);
}

bool DisplayConnection::isOpen() const
{
    return display != nullptr;
}

} // namespace dravik
