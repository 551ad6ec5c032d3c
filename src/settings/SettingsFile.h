#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace dravik {

// Small settings files read with bounds and written atomically, so neither a
// hostile file nor a kill during a save leaves the program without settings.

struct SettingsFileRead_t {
    enum class Status { Read, Missing, NotAFile, TooLarge, Unreadable };
    Status status = Status::Missing;
    std::string content; // the whole file when status is Read
    std::string problem; // a short reason otherwise, e.g. "it is a folder"
};

// Reads a regular file of at most maxBytes. Never blocks on a FIFO or a
// device, and never reads more than maxBytes + 1 bytes.
SettingsFileRead_t readSettingsFile(const std::filesystem::path& file, std::size_t maxBytes);

// The file a settings path names after following its symbolic links (to a
// missing target, too); the path itself when it is no link.
std::filesystem::path resolveSettingsLink(const std::filesystem::path& file);

// Writes content to a temporary file in the same folder, flushes it to disk
// and renames it over file: readers (another instance included) see the old
// content or the new, never a part. A symbolic link is written through: the
// temporary file goes beside its target and replaces that. A device or FIFO
// at the target is written into (without waiting), and an existing file that
// this process may not read is left alone. Returns an empty string on
// success, else a short reason; the old file stays and the temporary file is
// removed on failure.
std::string writeSettingsFileAtomically(const std::filesystem::path& file, std::string_view content);

} // namespace dravik
