#pragma once

#include "desktop/FileChooser.h"
#include "desktop/FileDrop.h"

#include <memory>
#include <string>

namespace dravik {

// The files the desktop hands the program: the one picked in its file
// chooser ("Open...", Ctrl+O) and those dropped on the window. Nothing here
// waits; poll() once a frame says what arrived.
class DesktopFiles {
public:
    struct Arrival_t {
        std::string chosen;      // picked in the chooser
        std::string dropped;     // the first file of a drop
        std::string unavailable; // why no chooser could be shown: type the path instead
    };

    // Accepts drops on the X11 window `window`, the chooser's parent, from now on.
    void attach(unsigned long window);
    void detach() { drop.reset(); }
    // Shows the chooser; ignored while one is open.
    void choose() { chooser.open(window); }
    bool isChoosing() const { return chooser.isOpen(); }
    Arrival_t poll();

private:
    FileChooser chooser;
    std::unique_ptr<FileDrop> drop;
    unsigned long window = 0;
};

} // namespace dravik
