#pragma once

#include <filesystem>
#include <string>

namespace dravik {

// Where Dear ImGui keeps its window placement: $XDG_CONFIG_HOME/dravik/imgui.ini,
// else $HOME/.config/dravik/imgui.ini. Unset, empty or relative variables are
// passed over; the result is empty when neither gives a place.
std::filesystem::path uiSettingsPath(const char* xdgConfigHome, const char* home);

// Creates the folder of `file` when it is missing and returns the file's name,
// or an empty string when there is no folder to keep it in.
std::string prepareUiSettingsFile(const std::filesystem::path& file);

// Both of the above, for this process's environment.
std::string uiSettingsFile();

} // namespace dravik
