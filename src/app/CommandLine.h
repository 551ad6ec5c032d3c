#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace dravik {

struct CommandLine_t {
    std::optional<int> exitStatus; // set when the program ends here (help, version, a usage error)
    std::string file;              // a sound file to analyse from the start; empty for none
    std::vector<std::string> more; // further files named, for the recent list
    bool reset = false;            // start with defaults, ignoring the saved session
    bool verbose = false;          // show the sound and window libraries' own messages
};

// Reads `dravik [--help] [--version] [--reset] [--verbose] [FILE...]` (a file
// manager passes every file chosen). Help and version go to `out` (status 0);
// an unknown option prints the error and the usage to `err` (status 2).
CommandLine_t parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace dravik
