#include "desktop/FileDrop.h"

#include "XdndDropSource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

// Last: Xlib's macros (None, Status) clash with names in the test framework.
#include <X11/Xlib.h>

namespace dravik {
namespace {

// A synthetic drop from a second X client, as a file manager would make it,
// onto a plain window of a third; the drop is polled as the frame loop does.
TEST(FileDrop, AFileManagersDropGivesTheLocalPaths)
{
    if (std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    Display* x = XOpenDisplay(nullptr);
    ASSERT_NE(x, nullptr);
    const Window window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 200, 100, 0, 0, 0);
    XMapWindow(x, window);
    XSync(x, False);

    struct Case {
        const char* name;
        std::string list;
        std::vector<std::string> paths;
    };
    const std::vector<Case> cases{
        {"one file", "file:///tmp/song.wav\r\n", {"/tmp/song.wav"}},
        {"spaces and non-ASCII", "file:///home/u/my%20music/%C3%A9t%C3%A9.flac\r\n", {"/home/u/my music/été.flac"}},
        {"several", "file:///tmp/a.wav\r\nfile:///tmp/b.ogg\r\n", {"/tmp/a.wav", "/tmp/b.ogg"}},
        // Nothing local: refused, and the source is told so.
        {"remote only", "https://example.org/x.wav\r\n", {}},
    };
    {
        FileDrop drop(window);
        ASSERT_TRUE(drop.isActive());
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            std::vector<std::string> received;
            const tools::DropResult_t result = tools::dropUriList(window, c.list, 5.0, [&] {
                for (std::string& path : drop.poll())
                    received.push_back(std::move(path));
            });
            EXPECT_TRUE(result.targetAware);
            EXPECT_TRUE(result.accepted);
            EXPECT_TRUE(result.finished) << result.problem;
            EXPECT_EQ(result.finishedAccepted, !c.paths.empty());
            EXPECT_EQ(received, c.paths);
        }
    }
    // Gone with its owner: no longer a drop target.
    const tools::DropResult_t after = tools::dropUriList(window, cases[0].list, 0.2);
    EXPECT_FALSE(after.targetAware);
    EXPECT_FALSE(after.finished);
    XDestroyWindow(x, window);
    XCloseDisplay(x);
}

} // namespace
} // namespace dravik
