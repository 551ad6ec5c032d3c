#include "app/ProcessFaults.h"

#include "DisplaySupport.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

// Last: Xlib's macros (None, Status) would clash with the test library's names.
#include <X11/Xlib.h>

namespace dravik {
namespace {

std::string readAll(int fd)
{
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

// A child process connects, installs the handler, and loses its connection
// (as when the X server dies): the hook runs, a message is printed and the
// process ends at once with status 1, instead of exit() running the teardown.
TEST(DisplayLossTest, TheHookRunsAndTheProcessEndsWithAMessage)
{
    if (!displaySet())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    int hookPipe[2];
    int errorPipe[2];
    ASSERT_EQ(::pipe(hookPipe), 0);
    ASSERT_EQ(::pipe(errorPipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(errorPipe[1], STDERR_FILENO);
        ::close(hookPipe[0]);
        ::close(errorPipe[0]);
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr)
            ::_exit(3);
        installDisplayLossHandler();
        const AbruptExitHook hook([&hookPipe] { (void)!::write(hookPipe[1], "stopped", 7); });
        ::shutdown(ConnectionNumber(display), SHUT_RDWR);
        XSync(display, False);
        ::_exit(4);
    }
    ::close(hookPipe[1]);
    ::close(errorPipe[1]);
    const std::string hookRan = readAll(hookPipe[0]);
    const std::string errors = readAll(errorPipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(hookPipe[0]);
    ::close(errorPipe[0]);

    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 1) << errors;
    EXPECT_EQ(hookRan, "stopped");
    EXPECT_EQ(errors, "dravik: lost the connection to the X display; stopping the sound and exiting\n");
}

} // namespace
} // namespace dravik
