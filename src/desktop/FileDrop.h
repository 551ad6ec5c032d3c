#pragma once

#include <string>
#include <vector>

namespace dravik {

// Files dropped on an X11 window from a file manager (the XDND protocol,
// version 5). The window gets XdndAware and an XdndProxy naming a hidden
// window on a connection of our own, so the drop's messages and its
// selection arrive here, never through the window library's event loop.
class FileDrop {
public:
    // Accepts drops on `window` (an X11 Window id) of the display in $DISPLAY;
    // does nothing when the display cannot be opened.
    explicit FileDrop(unsigned long window);
    ~FileDrop();
    FileDrop(const FileDrop&) = delete;
    FileDrop& operator=(const FileDrop&) = delete;

    bool isActive() const { return display != nullptr; }
    // Handles what arrived, without waiting; returns the local paths of a
    // drop that completed since the last call (empty otherwise).
    std::vector<std::string> poll();

private:
    struct Atoms;
    void handleClientMessage(const void* event);
    std::vector<std::string> handleSelection(const void* event);
    void finish(bool accepted);

    void* display = nullptr; // Display*
    unsigned long target = 0;
    unsigned long proxy = 0;
    unsigned long source = 0; // the window dragging over us, 0 when none
    bool sourceOffersUris = false;
    unsigned long version = 0;
    Atoms* atoms = nullptr;
};

} // namespace dravik
