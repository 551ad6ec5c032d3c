#pragma once

namespace dravik::tools {

// Asks an X11 window on $DISPLAY to close the way a window manager's close
// button does: a WM_DELETE_WINDOW client message. Returns false when the
// display cannot be opened, the window does not take part in that protocol,
// or the message cannot be sent.
bool sendCloseRequest(unsigned long windowId);

} // namespace dravik::tools
