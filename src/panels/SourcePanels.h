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

// What the source panels show and change. Every choice goes through the
// model, which carries what it changed to the analysis in the same frame; the
// file's transport (play, pause, seek, loop) acts on the file in place.
class ISourceModel {
public:
    virtual ~ISourceModel() = default;
    virtual const SourceStage& sourceStage() const = 0;
    virtual FileSource& file() = 0;
    virtual std::vector<std::string> inputDevices() = 0;
    // Switches what is analysed; the analysis starts afresh on the new
    // source. False, with the reason in the source's panel, when it failed.
    virtual bool selectSource(SourceKind kind) = 0;
    // Opens a sound file and analyses it as it plays; on failure says why (in
    // the panel and on stderr) and keeps the source it had.
    virtual bool openFile(const std::string& path) = 0;
    virtual bool selectInputDevice(const std::string& name) = 0;
};

// Puts a path into the panel's path field (cut to the field's length).
void setPanelPath(SourcePanelState_t& state, const std::string& path);

// The source selector of the main menu: "Generators", "File", "Input". A
// failure shows in the panel of the source it is about.
void drawSourceSelector(ISourceModel& model);

// The "Sound File" window (path, "Open" and "Open...", recent files, the file
// that plays, play/pause, the position as m:ss.d, loop) or the "Sound Input" window (capture device),
// for the source the user works on; nothing for the generators.
void drawSourceWindow(ISourceModel& model, SourcePanelState_t& state, PanelLayout& layout);

} // namespace dravik
