#include "app/ProcessFaults.h"

#include <X11/Xlib.h>

#include <atomic>
#include <csignal>
#include <cstddef>
#include <unistd.h>
#include <utility>

namespace dravik {

namespace {

volatile std::sig_atomic_t stopRequested = 0;
AbruptExitHook* registeredHook = nullptr;

extern "C" void onStopSignal(int)
{
    stopRequested = 1;
}

void writeError(const char* text, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(STDERR_FILENO, text, length);
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
}

extern "C" int onDisplayLost(Display*)
{
    // Stopping the sound must not reach the display again; if it does, end now.
    static std::atomic<bool> entered{false};
    if (entered.exchange(true))
        ::_exit(1);
    static const char message[] = "dravik: lost the connection to the X display; stopping the sound and exiting\n";
    writeError(message, sizeof(message) - 1);
    AbruptExitHook::runRegistered();
    // No exit(): the static teardown of the window and GL libraries would
    // talk to the dead display again.
    ::_exit(1);
}

} // namespace

void installStopSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = &onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    // SIGHUP: the terminal that started the program was closed. SIGQUIT
    // (Ctrl+\) saves too and ends with status 0 and no core dump: a core
    // of the finished stop path would show nothing of the state it was asked
    // for. A second SIGQUIT meets the default action, so a stop path that
    // hangs still leaves its core where core dumps are enabled.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        ::sigaction(signal, &action, nullptr);
}

bool takeStopRequest()
{
    if (stopRequested == 0)
        return false;
    stopRequested = 0;
    return true;
}

void installDisplayLossHandler()
{
    XSetIOErrorHandler(&onDisplayLost);
}

AbruptExitHook::AbruptExitHook(std::function<void()> action)
    : action(std::move(action))
    , previous(registeredHook)
{
    registeredHook = this;
}

AbruptExitHook::~AbruptExitHook()
{
    if (registeredHook == this)
        registeredHook = previous;
}

void AbruptExitHook::runRegistered()
{
    if (registeredHook != nullptr && registeredHook->action)
        registeredHook->action();
}

} // namespace dravik
