#include "desktop/FileDrop.h"

#include "desktop/DesktopPaths.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <memory>

namespace dravik {

struct FileDrop::Atoms {
    Atom aware, proxy, enter, position, status, leave, drop, finished, selection, actionCopy, typeList, uriList,
        property;
};

namespace {

constexpr unsigned long protocolVersion = 5;

Display* asDisplay(void* display)
{
    return static_cast<Display*>(display);
}

void setWindowProperty(Display* display, Window window, Atom property, unsigned long value)
{
    XChangeProperty(display, window, property, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
}

// A source or target window may vanish mid-drop; Xlib's default handler would
// end the process over the error that follows. Errors of the drop's own
// connection are dropped, all others go where they went before.
Display* dropDisplay = nullptr;
XErrorHandler previousHandler = nullptr;

extern "C" int onDropError(Display* display, XErrorEvent* error)
{
    if (display == dropDisplay)
        return 0;
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

} // namespace

FileDrop::FileDrop(unsigned long window)
    : target(window)
{
    Display* x = XOpenDisplay(nullptr);
    if (x == nullptr || window == 0) {
        if (x != nullptr)
            XCloseDisplay(x);
        return;
    }
    display = x;
    if (dropDisplay == nullptr) {
        dropDisplay = x;
        previousHandler = XSetErrorHandler(&onDropError);
    }
    atoms = new Atoms{XInternAtom(x, "XdndAware", False),     XInternAtom(x, "XdndProxy", False),
                      XInternAtom(x, "XdndEnter", False),     XInternAtom(x, "XdndPosition", False),
                      XInternAtom(x, "XdndStatus", False),    XInternAtom(x, "XdndLeave", False),
                      XInternAtom(x, "XdndDrop", False),      XInternAtom(x, "XdndFinished", False),
                      XInternAtom(x, "XdndSelection", False), XInternAtom(x, "XdndActionCopy", False),
                      XInternAtom(x, "XdndTypeList", False),  XInternAtom(x, "text/uri-list", False),
                      XInternAtom(x, "DRAVIK_DROP", False)};
    // An unmapped window of this connection takes the protocol's messages.
    proxy = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 1, 1, 0, 0, 0);
    const unsigned long aware = protocolVersion;
    for (const Window w : {static_cast<Window>(target), static_cast<Window>(proxy)}) {
        XChangeProperty(x, w, atoms->aware, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&aware), 1);
        // The proxy names itself too, as the protocol asks, so a source can
        // tell it is no stale id.
        setWindowProperty(x, w, atoms->proxy, proxy);
    }
    XFlush(x);
}

FileDrop::~FileDrop()
{
    if (display == nullptr)
        return;
    Display* x = asDisplay(display);
    // The target may be gone already; if not, it stops taking drops.
    XDeleteProperty(x, target, atoms->aware);
    XDeleteProperty(x, target, atoms->proxy);
    XDestroyWindow(x, proxy);
    XSync(x, False);
    XCloseDisplay(x);
    if (dropDisplay == x) {
        const XErrorHandler current = XSetErrorHandler(previousHandler);
        // Another handler set since ours stays in place.
        if (current != &onDropError)
            XSetErrorHandler(current);
        dropDisplay = nullptr;
        previousHandler = nullptr;
    }
    delete atoms;
}

std::vector<std::string> FileDrop::poll()
{
    std::vector<std::string> dropped;
    if (display == nullptr)
        return dropped;
    Display* x = asDisplay(display);
    while (XPending(x) > 0) {
        XEvent event;
        XNextEvent(x, &event);
        if (event.type == ClientMessage)
            handleClientMessage(&event);
        else if (event.type == SelectionNotify)
            dropped = handleSelection(&event);
    }
    return dropped;
}

void FileDrop::handleClientMessage(const void* raw)
{
    const XClientMessageEvent& message = static_cast<const XEvent*>(raw)->xclient;
    Display* x = asDisplay(display);
    const Atom type = message.message_type;
    const auto sender = static_cast<Window>(message.data.l[0]);
    if (type == atoms->enter) {
        source = sender;
        version = static_cast<unsigned long>(message.data.l[1]) >> 24;
        sourceOffersUris = false;
        if ((message.data.l[1] & 1) != 0) {
            // More than three types: the source lists them on its window.
            Atom actual = None;
            int format = 0;
            unsigned long count = 0;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(x, source, atoms->typeList, 0, 64, False, XA_ATOM, &actual, &format, &count, &after,
                                   &data) == Success &&
                data != nullptr) {
                const auto* types = reinterpret_cast<const unsigned long*>(data);
                for (unsigned long i = 0; i < count && format == 32; ++i)
                    sourceOffersUris = sourceOffersUris || types[i] == atoms->uriList;
                XFree(data);
            }
        } else {
            for (int i = 2; i < 5; ++i)
                sourceOffersUris = sourceOffersUris || static_cast<Atom>(message.data.l[i]) == atoms->uriList;
        }
    } else if (type == atoms->position && sender == source) {
        XEvent reply{};
        reply.xclient.type = ClientMessage;
        reply.xclient.display = x;
        reply.xclient.window = source;
        reply.xclient.message_type = atoms->status;
        reply.xclient.format = 32;
        reply.xclient.data.l[0] = static_cast<long>(target);
        // Accepted anywhere in the window; no need to be told each move in it.
        reply.xclient.data.l[1] = sourceOffersUris ? 1 : 0;
        reply.xclient.data.l[4] = sourceOffersUris ? static_cast<long>(atoms->actionCopy) : None;
        XSendEvent(x, source, False, NoEventMask, &reply);
        XFlush(x);
    } else if (type == atoms->leave && sender == source) {
        source = 0;
    } else if (type == atoms->drop && sender == source) {
        if (!sourceOffersUris) {
            finish(false);
            return;
        }
        const auto time = version >= 1 ? static_cast<Time>(message.data.l[2]) : CurrentTime;
        XConvertSelection(x, atoms->selection, atoms->uriList, atoms->property, proxy, time);
        XFlush(x);
    }
}

std::vector<std::string> FileDrop::handleSelection(const void* raw)
{
    const XSelectionEvent& selection = static_cast<const XEvent*>(raw)->xselection;
    std::vector<std::string> paths;
    if (source == 0 || selection.selection != atoms->selection)
        return paths;
    Display* x = asDisplay(display);
    bool accepted = false;
    if (selection.property != None) {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        // At most 1 MB of URIs: far more than any drop of sound files.
        if (XGetWindowProperty(x, proxy, atoms->property, 0, 1 << 18, True, AnyPropertyType, &actual, &format, &count,
                               &after, &data) == Success &&
            data != nullptr) {
            if (format == 8)
                paths = pathsFromUriList(std::string_view(reinterpret_cast<const char*>(data), count));
            XFree(data);
        }
        accepted = !paths.empty();
    }
    finish(accepted);
    return paths;
}

void FileDrop::finish(bool accepted)
{
    Display* x = asDisplay(display);
    XEvent reply{};
    reply.xclient.type = ClientMessage;
    reply.xclient.display = x;
    reply.xclient.window = source;
    reply.xclient.message_type = atoms->finished;
    reply.xclient.format = 32;
    reply.xclient.data.l[0] = static_cast<long>(target);
    reply.xclient.data.l[1] = accepted ? 1 : 0;
    reply.xclient.data.l[2] = accepted ? static_cast<long>(atoms->actionCopy) : None;
    XSendEvent(x, source, False, NoEventMask, &reply);
    XFlush(x);
    source = 0;
}

} // namespace dravik
