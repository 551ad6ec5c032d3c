#include "ui/SettingsLocation.h"

#include <cstdlib>
#include <system_error>

namespace dravik {

namespace {

bool usable(const char* directory)
{
    return directory != nullptr && std::filesystem::path(directory).is_absolute();
}

} // namespace

std::filesystem::path uiSettingsPath(const char* xdgConfigHome, const char* home)
{
    std::filesystem::path base;
    if (usable(xdgConfigHome))
        base = xdgConfigHome;
    else if (usable(home))
        base = std::filesystem::path(home) / ".config";
    else
        return {};
    return base / "dravik" / "imgui.ini";
}

std::string prepareUiSettingsFile(const std::filesystem::path& file)
{
    if (file.empty() || !file.has_parent_path())
        return {};
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error || !std::filesystem::is_directory(file.parent_path(), error))
        return {};
    return file.string();
}

std::string uiSettingsFile()
{
    return prepareUiSettingsFile(uiSettingsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
}

} // namespace dravik
