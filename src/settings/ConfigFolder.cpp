#include "settings/ConfigFolder.h"

namespace dravik {

namespace {

bool usable(const char* directory)
{
    return directory != nullptr && std::filesystem::path(directory).is_absolute();
}

} // namespace

std::filesystem::path configFolder(const char* xdgConfigHome, const char* home)
{
    if (usable(xdgConfigHome))
        return std::filesystem::path(xdgConfigHome) / "dravik";
    if (usable(home))
        return std::filesystem::path(home) / ".config" / "dravik";
    return {};
}

} // namespace dravik
