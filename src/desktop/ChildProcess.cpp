#include "desktop/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dravik {

ChildProcess::~ChildProcess()
{
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    if (outputFd >= 0)
        ::close(outputFd);
}

std::string ChildProcess::start(const std::vector<std::string>& argv)
{
    if (pid > 0)
        return "a helper program is running already";
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return std::strerror(errno);
    // The child's end blocks as usual; only ours is polled.
    ::fcntl(pipeFds[1], F_SETFL, 0);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t child = -1;
    const int error = ::posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (error != 0) {
        ::close(pipeFds[0]);
        return std::strerror(error);
    }
    pid = child;
    outputFd = pipeFds[0];
    output.clear();
    return {};
}

void ChildProcess::readAvailable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(outputFd, buffer, sizeof buffer);
        if (got > 0) {
            output.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return;
    }
}

std::optional<ChildExit_t> ChildProcess::poll()
{
    if (pid <= 0)
        return std::nullopt;
    readAvailable();
    int status = 0;
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == 0)
        return std::nullopt;
    // Whatever it wrote before it ended is in the pipe still.
    readAvailable();
    ::close(outputFd);
    outputFd = -1;
    pid = -1;
    ChildExit_t result;
    result.status = ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = std::move(output);
    output.clear();
    return result;
}

} // namespace dravik
