#pragma once

#include "panels/PanelLayout.h"
#include "source/SourceStage.h"

#include <array>
#include <string>
#include <vector>

namespace dravik {

// What the source panels keep between frames: the path being typed and the
// capture devices listed when the device combo last opened.
struct SourcePanelState_t {
    std::array<char, 1024> path{};
    std::string triedPath; // the stage's last tried path, copied into `path` when it changes
    std::vector<std::string> devices;
    bool deviceComboOpen = false;
};

// The source selector of the main menu: "Generators", "File", "Input". A
// failure shows in the panel of the source it is about.
void drawSourceSelector(SourceStage& stage);

// The "Sound File" window (path and "Open", recent files, the file that
// plays, play/pause, the position as m:ss.d, loop) or the "Sound Input" window (capture device),
// for the source the user works on; nothing for the generators.
void drawSourceWindow(SourceStage& stage, SourcePanelState_t& state, PanelLayout& layout);

} // namespace dravik
