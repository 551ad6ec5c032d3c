#include "WindowCloseRequest.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace dravik::tools {

namespace {

bool announcesProtocol(Display* display, Window window, Atom protocol)
{
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(display, window, &protocols, &count) == 0)
        return false;
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || protocols[i] == protocol;
    XFree(protocols);
    return found;
}

// A bad window id must fail the request, not end the caller.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

bool sendCloseRequest(unsigned long windowId)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    const auto previousHandler = XSetErrorHandler(&ignoreError);

    const Window window = windowId;
    const Atom wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    bool sent = false;
    if (announcesProtocol(display, window, wmDeleteWindow)) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = wmProtocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(wmDeleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
        XSync(display, False);
    }

    XSetErrorHandler(previousHandler);
    XCloseDisplay(display);
    return sent;
}

} // namespace dravik::tools
