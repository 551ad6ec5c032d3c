#include "app/DisplayConnection.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace dravik {

namespace {

constexpr int connectAttempts = 20;
constexpr std::chrono::milliseconds retryDelay{50};

} // namespace

DisplayConnection::DisplayConnection()
    : display(XOpenDisplay(nullptr))
{
    const char* name = std::getenv("DISPLAY");
    const bool displaySet = name != nullptr && *name != '\0';
    for (int attempt = 1; display == nullptr && displaySet && attempt < connectAttempts; ++attempt) {
        std::this_thread::sleep_for(retryDelay);
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
