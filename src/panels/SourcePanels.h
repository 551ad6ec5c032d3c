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
    // "Open..." was pressed: the owner shows the desktop's file chooser.
    bool chooseFile = false;
    // Why no file chooser could be shown, in one line; empty otherwise.
    std::string chooserMessage;
};

// Puts a path into the panel's path field (cut to the field's length).
void setPanelPath(SourcePanelState_t& state, const std::string& path);

// The source selector of the main menu: "Generators", "File", "Input". A
// failure shows in the panel of the source it is about.
void drawSourceSelector(SourceStage& stage);

// The "Sound File" window (path, "Open" and "Open...", recent files, the file
// that plays, play/pause, the position as m:ss.d, loop) or the "Sound Input" window (capture device),
// for the source the user works on; nothing for the generators.
void drawSourceWindow(SourceStage& stage, SourcePanelState_t& state, PanelLayout& layout);

} // namespace dravik
