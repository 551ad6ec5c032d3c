// Drops files on the X11 window whose id is given, as a file manager would
// (XDND). Used by the end-to-end tests: drop_file WINDOW PATH...
#include "XdndDropSource.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A file:// URI with every byte outside the unreserved set escaped.
std::string fileUri(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '/' || byte == '-' || byte == '_' || byte == '.' ||
                           byte == '~';
        if (plain) {
            uri += c;
        } else {
            uri += '%';
            uri += hex[byte >> 4];
            uri += hex[byte & 15];
        }
    }
    return uri;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <window-id> <path>...\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    const unsigned long window = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || window == 0) {
        std::fprintf(stderr, "%s: not a window id: %s\n", argv[0], argv[1]);
        return 2;
    }
    std::string list;
    for (int i = 2; i < argc; ++i)
        list += fileUri(argv[i]) + "\r\n";
    const dravik::tools::DropResult_t result = dravik::tools::dropUriList(window, list, 10.0);
    if (!result.targetAware || !result.finishedAccepted) {
        std::fprintf(stderr, "%s: the drop was not taken (%s)\n", argv[0],
                     !result.targetAware ? "the window is not XdndAware" : result.problem.c_str());
        return 1;
    }
    return 0;
}
