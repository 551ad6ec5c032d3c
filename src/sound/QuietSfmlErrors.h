#pragma once

#include <SFML/System/Err.hpp>

#include <sstream>

namespace dravik {

// While alive, swallows what SFML writes to its error stream: SFML explains a
// failure in several lines, and the caller reports one line of its own.
class QuietSfmlErrors {
public:
    QuietSfmlErrors()
        : previous(sf::err().rdbuf(swallowed.rdbuf()))
    {
    }
    ~QuietSfmlErrors() { sf::err().rdbuf(previous); }
    QuietSfmlErrors(const QuietSfmlErrors&) = delete;
    QuietSfmlErrors& operator=(const QuietSfmlErrors&) = delete;

private:
    std::ostringstream swallowed;
    std::streambuf* previous;
};

} // namespace dravik
