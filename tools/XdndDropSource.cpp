#include "XdndDropSource.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <thread>

namespace dravik::tools {

namespace {

Window readWindowProperty(Display* display, Window window, Atom property)
{
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    Window value = None;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_WINDOW, &actual, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (count == 1 && format == 32)
            value = *reinterpret_cast<const unsigned long*>(data);
        XFree(data);
    }
    return value;
}

bool hasProperty(Display* display, Window window, Atom property)
{
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, window, property, 0, 1, False, AnyPropertyType, &actual, &format,
                                          &count, &after, &data) == Success &&
                       actual != None;
    if (data != nullptr)
        XFree(data);
    return found;
}

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

DropResult_t dropUriList(unsigned long windowId, const std::string& uriList, double timeoutSeconds,
                         const std::function<void()>& pump)
{
    DropResult_t result;
    Display* x = XOpenDisplay(nullptr);
    if (x == nullptr) {
        result.problem = "cannot open the display";
        return result;
    }
    const XErrorHandler previous = XSetErrorHandler(&ignoreErrors);
    const Atom aware = XInternAtom(x, "XdndAware", False);
    const Atom proxyAtom = XInternAtom(x, "XdndProxy", False);
    const Atom enter = XInternAtom(x, "XdndEnter", False);
    const Atom position = XInternAtom(x, "XdndPosition", False);
    const Atom status = XInternAtom(x, "XdndStatus", False);
    const Atom drop = XInternAtom(x, "XdndDrop", False);
    const Atom finished = XInternAtom(x, "XdndFinished", False);
    const Atom selection = XInternAtom(x, "XdndSelection", False);
    const Atom actionCopy = XInternAtom(x, "XdndActionCopy", False);
    const Atom uriType = XInternAtom(x, "text/uri-list", False);

    const auto target = static_cast<Window>(windowId);
    const Window source = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(x, selection, source, CurrentTime);
    result.targetAware = hasProperty(x, target, aware);
    // Messages go to the proxy the target names, if any; they still name the target.
    Window messagesTo = readWindowProperty(x, target, proxyAtom);
    if (messagesTo == None)
        messagesTo = target;

    const auto send = [&](Atom type, long l1, long l2, long l3, long l4) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.display = x;
        event.xclient.window = target;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(source);
        event.xclient.data.l[1] = l1;
        event.xclient.data.l[2] = l2;
        event.xclient.data.l[3] = l3;
        event.xclient.data.l[4] = l4;
        XSendEvent(x, messagesTo, False, NoEventMask, &event);
        XFlush(x);
    };

    // Version 5, three types or fewer given in the message itself.
    send(enter, 5L << 24, static_cast<long>(uriType), None, None);
    send(position, 0, (100L << 16) | 100L, CurrentTime, static_cast<long>(actionCopy));

    enum class Step { Positioned, Dropped, Done } step = Step::Positioned;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (step != Step::Done && std::chrono::steady_clock::now() < deadline) {
        if (pump)
            pump();
        while (XPending(x) > 0) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == ClientMessage && event.xclient.message_type == status && step == Step::Positioned) {
                result.accepted = (event.xclient.data.l[1] & 1) != 0;
                send(drop, 0, CurrentTime, 0, 0);
                step = Step::Dropped;
            } else if (event.type == ClientMessage && event.xclient.message_type == finished) {
                result.finished = true;
                result.finishedAccepted = (event.xclient.data.l[1] & 1) != 0;
                step = Step::Done;
            } else if (event.type == SelectionRequest) {
                const XSelectionRequestEvent& request = event.xselectionrequest;
                XEvent reply{};
                reply.xselection.type = SelectionNotify;
                reply.xselection.display = x;
                reply.xselection.requestor = request.requestor;
                reply.xselection.selection = request.selection;
                reply.xselection.target = request.target;
                reply.xselection.time = request.time;
                reply.xselection.property = None;
                if (request.target == uriType) {
                    XChangeProperty(x, request.requestor, request.property, uriType, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(uriList.data()),
                                    static_cast<int>(uriList.size()));
                    reply.xselection.property = request.property;
                }
                XSendEvent(x, request.requestor, False, NoEventMask, &reply);
                XFlush(x);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (step != Step::Done)
        result.problem = step == Step::Positioned ? "no XdndStatus came back" : "no XdndFinished came back";
    XDestroyWindow(x, source);
    XSync(x, False);
    XSetErrorHandler(previous);
    XCloseDisplay(x);
    return result;
}

} // namespace dravik::tools
