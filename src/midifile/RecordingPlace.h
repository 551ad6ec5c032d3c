#pragma once

#include <filesystem>
#include <vector>

namespace dravik {

// Where a recording goes when its own file cannot be written, in the order
// to try: $XDG_DATA_HOME/dravik, then $HOME/.local/share/dravik, then the
// current folder. Unset, empty or relative variables are passed over.
std::vector<std::filesystem::path> recordingFallbackFolders(const char* xdgDataHome, const char* home);

} // namespace dravik
