#include "ui/SettingsLocation.h"

#include <cstdlib>
#include <iostream>
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

UiSettingsFile_t prepareUiSettingsFile(const std::filesystem::path& file)
{
    const std::string notSaved = "; the panel layout is not saved";
    if (file.empty() || !file.has_parent_path())
        return {{}, "dravik: neither XDG_CONFIG_HOME nor HOME names an absolute folder" + notSaved};
    const std::filesystem::path folder = file.parent_path();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error) && !error)
        error = std::make_error_code(std::errc::not_a_directory);
    if (error)
        return {{},
                "dravik: cannot use the settings folder " + folder.string() + " (" + error.message() + ")" + notSaved};
    return {file.string(), {}};
}

std::string uiSettingsFile()
{
    UiSettingsFile_t prepared =
        prepareUiSettingsFile(uiSettingsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
    if (!prepared.warning.empty())
        std::cerr << prepared.warning << '\n';
    return std::move(prepared.file);
}

} // namespace dravik
