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

// Writes content to a temporary file in the same folder, flushes it to disk
// and renames it over file: readers (another instance included) see the old
// content or the new, never a part. Returns an empty string on success, else
// a short reason; the temporary file is removed on failure.
std::string writeSettingsFileAtomically(const std::filesystem::path& file, std::string_view content);

} // namespace dravik
