#pragma once

#include <filesystem>

namespace dravik {

// The folder that holds Dravik's settings files: $XDG_CONFIG_HOME/dravik, else
// $HOME/.config/dravik. Unset, empty or relative variables are passed over;
// the result is empty when neither gives a place.
std::filesystem::path configFolder(const char* xdgConfigHome, const char* home);

} // namespace dravik
