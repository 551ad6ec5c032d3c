#include "ui/SettingsLocation.h"

#include "settings/ConfigFolder.h"

#include <cstdlib>
#include <iostream>
#include <system_error>

namespace dravik {

std::filesystem::path uiSettingsPath(const char* xdgConfigHome, const char* home)
{
    const std::filesystem::path folder = configFolder(xdgConfigHome, home);
    return folder.empty() ? folder : folder / "imgui.ini";
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
