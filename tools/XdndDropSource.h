#pragma once

#include <functional>
#include <string>

namespace dravik::tools {

// What a file manager does when a file is dragged onto a window and let go:
// the XDND protocol's source side, on a connection of its own. Used by the
// tests to drop files on a window without a desktop.
struct DropResult_t {
    bool targetAware = false; // the window (or its proxy) has XdndAware
    bool accepted = false;    // the target's XdndStatus accepted the drop
    bool finished = false;    // XdndFinished arrived
    bool finishedAccepted = false;
    std::string problem; // why the drop did not complete, when it did not
};

// Drops uriList (text/uri-list) on windowId of $DISPLAY. Between waits it
// calls `pump` (the test's own event handling, say) and gives up after about
// timeoutSeconds.
DropResult_t dropUriList(unsigned long windowId, const std::string& uriList, double timeoutSeconds,
                         const std::function<void()>& pump = {});

} // namespace dravik::tools
