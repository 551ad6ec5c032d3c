#pragma once

#include <filesystem>
#include <string>

namespace dravik {

// Where Dear ImGui keeps its window placement: $XDG_CONFIG_HOME/dravik/imgui.ini,
// else $HOME/.config/dravik/imgui.ini. Unset, empty or relative variables are
// passed over; the result is empty when neither gives a place.
std::filesystem::path uiSettingsPath(const char* xdgConfigHome, const char* home);

struct UiSettingsFile_t {
    std::string file;    // empty when there is no folder to keep it in
    std::string warning; // one line saying why, when file is empty
};

// Creates the folder of `file` when it is missing.
UiSettingsFile_t prepareUiSettingsFile(const std::filesystem::path& file);

// Both of the above, for this process's environment; the warning, if any, is
// written to stderr and the program runs on without saving.
std::string uiSettingsFile();

} // namespace dravik
