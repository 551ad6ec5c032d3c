// Sends a close request (WM_DELETE_WINDOW) to the X11 window whose id is given,
// as a window manager's close button would. Used by the end-to-end tests.
#include "WindowCloseRequest.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <window-id>\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    const unsigned long window = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || window == 0) {
        std::fprintf(stderr, "%s: not a window id: %s\n", argv[0], argv[1]);
        return 2;
    }
    if (!dravik::tools::sendCloseRequest(window)) {
        std::fprintf(stderr, "%s: could not ask window %s to close (no display, or no WM_DELETE_WINDOW)\n", argv[0],
                     argv[1]);
        return 1;
    }
    return 0;
}
