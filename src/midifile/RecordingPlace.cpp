#include "midifile/RecordingPlace.h"

namespace dravik {

namespace {

bool usable(const char* directory)
{
    return directory != nullptr && std::filesystem::path(directory).is_absolute();
}

} // namespace

std::vector<std::filesystem::path> recordingFallbackFolders(const char* xdgDataHome, const char* home)
{
    std::vector<std::filesystem::path> folders;
    if (usable(xdgDataHome))
        folders.push_back(std::filesystem::path(xdgDataHome) / "dravik");
    if (usable(home))
        folders.push_back(std::filesystem::path(home) / ".local" / "share" / "dravik");
    folders.emplace_back(".");
    return folders;
}

} // namespace dravik
