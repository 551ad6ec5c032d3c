#pragma once

#include <functional>

namespace dravik {

// How the process meets faults from outside: stop signals and the loss of
// the X display.

// SIGTERM, SIGINT, SIGHUP and SIGQUIT ask the frame loop to end the run the
// way a close request does, so the normal stop path runs and the settings are
// saved. A second signal of the same kind ends the process at once (the
// default action, a core dump for SIGQUIT), in case the stop path hangs.
void installStopSignalHandlers();
// True once after a stop signal arrived; the request is taken.
bool takeStopRequest();

// Xlib's own handler for a lost X connection calls exit() while the sound
// output's thread still streams, and the audio library's teardown can then
// abort. This handler reports the loss on stderr, runs the registered
// AbruptExitHook (which stops the sound) and ends the process with status 1
// without running any teardown that could reach the dead display again.
void installDisplayLossHandler();

// What must stop before the process ends abruptly, such as the sound stream.
// The latest registration is the one that runs; it lasts for the life of the
// object. Main thread only.
class AbruptExitHook {
public:
    explicit AbruptExitHook(std::function<void()> action);
    ~AbruptExitHook();
    AbruptExitHook(const AbruptExitHook&) = delete;
    AbruptExitHook& operator=(const AbruptExitHook&) = delete;

    // Runs the registered action, if any.
    static void runRegistered();

private:
    std::function<void()> action;
    AbruptExitHook* previous;
};

} // namespace dravik
