#include "session/SessionFile.h"

#include "settings/ConfigFolder.h"
#include "settings/SettingsFile.h"

#include <system_error>

namespace dravik {

namespace {

// The backup names, newest first: session.toml.bak, then .bak.1 and on.
std::filesystem::path backupName(const std::filesystem::path& file, std::size_t age)
{
    std::filesystem::path backup = file;
    backup += age == 0 ? ".bak" : ".bak." + std::to_string(age);
    return backup;
}

// Keeps an unusable file beside the new one, the older backups moved one
// place on and the oldest dropped; a failure is reported, not fatal. Through
// a link the target's content is copied, so the link and its target stay.
void keepAsBackup(const std::filesystem::path& file, std::vector<std::string>& warnings)
{
    std::error_code error;
    std::filesystem::remove(backupName(file, maxSessionBackups - 1), error);
    for (std::size_t age = maxSessionBackups - 1; age > 0; --age) {
        const std::filesystem::path older = backupName(file, age - 1);
        if (std::filesystem::exists(std::filesystem::symlink_status(older, error)))
            std::filesystem::rename(older, backupName(file, age), error);
    }
    const std::filesystem::path backup = backupName(file, 0);
    error.clear();
    if (std::filesystem::is_symlink(file, error))
        std::filesystem::copy_file(resolveSettingsLink(file), backup, std::filesystem::copy_options::overwrite_existing,
                                   error);
    else
        std::filesystem::rename(file, backup, error);
    if (error)
        warnings.push_back("session: cannot keep " + file.string() + " as " + backup.filename().string() + " (" +
                           error.message() + ")");
    else
        warnings.back() += "; kept as " + backup.string() + ", starting with defaults";
}

} // namespace

std::filesystem::path sessionFilePath(const char* xdgConfigHome, const char* home)
{
    const std::filesystem::path folder = configFolder(xdgConfigHome, home);
    return folder.empty() ? folder : folder / "session.toml";
}

SessionRead_t readSessionFile(const std::filesystem::path& file, const Session_t& defaults)
{
    SessionRead_t result;
    result.session = defaults;
    if (file.empty())
        return result;
    SettingsFileRead_t read = readSettingsFile(file, maxSessionBytes);
    switch (read.status) {
    case SettingsFileRead_t::Status::Missing:
        return result;
    case SettingsFileRead_t::Status::Read:
        break;
    case SettingsFileRead_t::Status::TooLarge:
        result.outcome = SessionRead_t::Outcome::Unusable;
        result.warnings.push_back("session: " + file.string() + " is too large");
        return result;
    case SettingsFileRead_t::Status::NotAFile:
    case SettingsFileRead_t::Status::Unreadable:
        result.outcome = SessionRead_t::Outcome::Unreadable;
        result.warnings.push_back("session: cannot read " + file.string() + " (" + read.problem + ")");
        return result;
    }
    SessionParse_t parsed = sessionFromToml(read.content, defaults);
    result.warnings = std::move(parsed.warnings);
    if (!parsed.usable) {
        result.outcome = SessionRead_t::Outcome::Unusable;
        return result;
    }
    result.outcome = SessionRead_t::Outcome::Read;
    result.session = std::move(parsed.session);
    return result;
}

SessionLoad_t loadSessionFile(const std::filesystem::path& file, const Session_t& defaults)
{
    SessionRead_t read = readSessionFile(file, defaults);
    SessionLoad_t result;
    result.found = read.outcome == SessionRead_t::Outcome::Read;
    // A regular file that cannot be read holds what the user had; a folder
    // or a device in its place holds nothing a save could lose.
    std::error_code error;
    result.keepFile =
        read.outcome == SessionRead_t::Outcome::Unreadable && std::filesystem::is_regular_file(file, error);
    result.session = std::move(read.session);
    result.warnings = std::move(read.warnings);
    if (result.keepFile)
        result.warnings.back() += "; starting with defaults, and it is not saved over at exit";
    else if (read.outcome == SessionRead_t::Outcome::Unreadable)
        result.warnings.back() += "; starting with defaults";
    if (read.outcome == SessionRead_t::Outcome::Unusable)
        keepAsBackup(file, result.warnings);
    return result;
}

std::string saveSessionFile(const std::filesystem::path& file, const Session_t& session)
{
    if (file.empty())
        return "session: neither XDG_CONFIG_HOME nor HOME names an absolute folder; the session is not saved";
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error)
        return "session: cannot create " + file.parent_path().string() + " (" + error.message() +
               "); the session is not saved";
    const std::string problem = writeSettingsFileAtomically(file, sessionToToml(session));
    if (!problem.empty())
        return "session: cannot save " + file.string() + " (" + problem + ")";
    return {};
}

} // namespace dravik
