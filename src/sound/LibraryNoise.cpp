#include "sound/LibraryNoise.h"

#include <SFML/System/Err.hpp>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace dravik {

namespace {

// Points stderr at /dev/null while it lives.
class SilencedStderr {
public:
    SilencedStderr()
    {
        std::fflush(stderr);
        saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~SilencedStderr()
    {
        std::fflush(stderr);
        if (saved >= 0) {
            ::dup2(saved, STDERR_FILENO);
            ::close(saved);
        }
    }
    SilencedStderr(const SilencedStderr&) = delete;
    SilencedStderr& operator=(const SilencedStderr&) = delete;

private:
    int saved = -1;
};

} // namespace

LibraryNoise::LibraryNoise(bool verbose)
{
    // Warnings and errors when asked for; OpenAL Soft's default shows errors.
    ::setenv("ALSOFT_LOGLEVEL", verbose ? "2" : "0", 0);
    if (verbose) {
        deviceHold = std::make_unique<sf::SoundBuffer>();
        return;
    }
    sfmlErrors = sf::err().rdbuf(&sink);
    const SilencedStderr silenced;
    deviceHold = std::make_unique<sf::SoundBuffer>();
}

LibraryNoise::~LibraryNoise()
{
    deviceHold.reset();
    if (sfmlErrors != nullptr)
        sf::err().rdbuf(sfmlErrors);
}

} // namespace dravik
