#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dravik {

struct ChildExit_t {
    int status = -1;    // the exit status; -1 when a signal ended it
    std::string output; // all it wrote to its standard output
};

// A helper program run beside the frame loop: started without waiting, its
// output read without blocking, and asked every frame whether it is done.
class ChildProcess {
public:
    ChildProcess() = default;
    // Ends a child still running (SIGTERM) and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0], looked up on PATH, with its standard error discarded.
    // Returns an empty string, else why it did not start (ENOENT's text when
    // there is no such program).
    std::string start(const std::vector<std::string>& argv);
    bool running() const { return pid > 0; }
    // Reads what the child wrote since the last call; its exit once it ended.
    std::optional<ChildExit_t> poll();

private:
    void readAvailable();

    pid_t pid = -1;
    int outputFd = -1;
    std::string output;
};

} // namespace dravik
