#pragma once

#include "session/Session.h"

#include <filesystem>
#include <string>

namespace dravik {

// $XDG_CONFIG_HOME/dravik/session.toml, else $HOME/.config/dravik/session.toml;
// empty when neither variable names an absolute folder.
std::filesystem::path sessionFilePath(const char* xdgConfigHome, const char* home);

// Unusable session files kept: session.toml.bak (the newest) to .bak.4.
constexpr std::size_t maxSessionBackups = 5;

struct SessionLoad_t {
    bool found = false;                // a usable session was read
    bool keepFile = false;             // a regular file that could not be read: never save over it
    Session_t session;                 // `defaults` when nothing usable was read
    std::vector<std::string> warnings; // one line each
};

struct SessionRead_t {
    enum class Outcome { Read, Missing, Unreadable, Unusable };
    Outcome outcome = Outcome::Missing; // Unusable: corrupt, foreign, newer or too large
    Session_t session;                  // `defaults` unless read
    std::vector<std::string> warnings;  // one line each
};

// Reads a session file and changes nothing on disk.
SessionRead_t readSessionFile(const std::filesystem::path& file, const Session_t& defaults);

// Reads the session file. A missing file is the first start and gives no
// warning. A file that cannot be used (corrupt, foreign, newer, too large) is
// renamed to session.toml.bak, the older backups moving on to .bak.1 and so
// on (the oldest dropped), so the next save does not lose it. One that cannot
// be read at all (no permission, a folder or device in its place) is left
// where it is, and keepFile says not to save over it.
SessionLoad_t loadSessionFile(const std::filesystem::path& file, const Session_t& defaults);

// Writes the session atomically, creating the folder. Returns an empty string
// on success, else one line saying why it was not saved.
std::string saveSessionFile(const std::filesystem::path& file, const Session_t& session);

} // namespace dravik
