#pragma once

struct _XDisplay;

namespace dravik {

// A connection to the X display in $DISPLAY, held for the whole run.
// Without a display the windowing library aborts the program, so the entry
// asks first. Holding the connection also matters on Xvfb, which resets itself
// whenever its last client leaves and refuses connections while it does: the
// windowing library's own connections then never fall into that gap.
class DisplayConnection {
public:
    // Connects, retrying for about a second while a set display refuses.
    DisplayConnection();
    ~DisplayConnection();
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;

    bool isOpen() const;

private:
    _XDisplay* display;
};

} // namespace dravik
