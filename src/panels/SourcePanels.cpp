#include "panels/SourcePanels.h"

#include "desktop/DesktopPaths.h"
#include "panels/Widgets.h"
#include "source/TimeText.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dravik {

namespace {

const ImVec4 failureColour{1.0f, 0.35f, 0.35f, 1.0f};

// Wrapped, so a long path does not stretch the panel across the window.
void drawMessage(const std::string& message)
{
    if (message.empty())
        return;
    ImGui::PushStyleColor(ImGuiCol_Text, failureColour);
    wrappedText(message.c_str());
    ImGui::PopStyleColor();
}

// A typed "~/song.wav" means the user's home, as in a shell.
std::string typedPath(const SourcePanelState_t& state)
{
    const char* home = std::getenv("HOME");
    return expandHomePath(state.path.data(), home != nullptr ? home : "");
}

void drawFilePanel(ISourceModel& model, SourcePanelState_t& state)
{
    const SourceStage& stage = model.sourceStage();
    // The field shows the path last tried elsewhere (the command line's, the
    // chooser's, a dropped file's), even when it failed to open; what was
    // typed here stays as typed.
    if (state.triedPath != stage.triedPath()) {
        state.triedPath = stage.triedPath();
        setPanelPath(state, state.triedPath);
    }
    const bool entered =
        ImGui::InputText("##path", state.path.data(), state.path.size(), ImGuiInputTextFlags_EnterReturnsTrue);
    ImGui::SameLine(0.0f, -1.0f);
    if (ImGui::Button("Open") || entered) {
        model.openFile(typedPath(state));
        state.triedPath = stage.triedPath();
    }
    ImGui::SameLine();
    if (ImGui::Button("Open..."))
        state.chooseFile = true;
    drawMessage(state.chooserMessage);

    const std::vector<std::string>& recent = stage.recentFiles().paths();
    if (!recent.empty() && ImGui::BeginCombo("Recent", "")) {
        for (const std::string& path : recent) {
            if (ImGui::Selectable(path.c_str())) {
                setPanelPath(state, path);
                model.openFile(path);
                state.triedPath = stage.triedPath();
            }
        }
        ImGui::EndCombo();
    }
    drawMessage(stage.message(SourceKind::File));

    FileSource& file = model.file();
    if (!file.isLoaded()) {
        ImGui::TextUnformatted("No file open: type its path and press Open.");
        return;
    }
    ImGui::TextUnformatted("File:");
    ImGui::SameLine(0.0f, -1.0f);
    wrappedText(stage.filePath().c_str());
    const AudioFormat_t& format = file.format();
    char length[32];
    formatMinutes(file.duration(), length, sizeof length);
    ImGui::Text("%u Hz, %u channel%s, %s", format.sampleRate, format.channels, format.channels == 1 ? "" : "s", length);

    if (ImGui::Button(file.isPlaying() ? "Pause" : "Play"))
        file.setPlaying(!file.isPlaying());
    ImGui::SameLine(0.0f, -1.0f);
    bool loop = file.isLooping();
    if (ImGui::Checkbox("Loop", &loop))
        file.setLooping(loop);

    // The slider shows the time as m:ss.d; dragging it seeks.
    char position[32];
    formatMinutes(file.position(), position, sizeof position);
    float seconds = static_cast<float>(file.position());
    if (ImGui::SliderFloat("Position", &seconds, 0.0f, static_cast<float>(file.duration()), position, 0))
        file.seek(seconds);
}

void drawInputPanel(ISourceModel& model, SourcePanelState_t& state)
{
    const SourceStage& stage = model.sourceStage();
    const InputSource& input = stage.input();
    const std::string& current = input.deviceName();
    const bool open = ImGui::BeginCombo("Device", current.empty() ? "(default)" : current.c_str());
    if (open && !state.deviceComboOpen)
        state.devices = model.inputDevices();
    state.deviceComboOpen = open;
    if (open) {
        if (state.devices.empty())
            ImGui::TextUnformatted("no capture device found");
        for (const std::string& name : state.devices) {
            if (ImGui::Selectable(name.c_str(), name == current))
                model.selectInputDevice(name);
        }
        ImGui::EndCombo();
    }
    drawMessage(stage.message(SourceKind::Input));
    if (input.isRunning())
        ImGui::Text("Capturing at %u Hz (not played back)", InputSource::captureRate);
    else
        ImGui::TextUnformatted("Not capturing");
}

} // namespace

void setPanelPath(SourcePanelState_t& state, const std::string& path)
{
    const std::size_t n = std::min(path.size(), state.path.size() - 1);
    std::memcpy(state.path.data(), path.data(), n);
    state.path[n] = '\0';
}

void drawSourceSelector(ISourceModel& model)
{
    ImGui::TextUnformatted("Source");
    ImGui::SameLine(0.0f, -1.0f);
    const SourceKind active = model.sourceStage().active();
    if (ImGui::RadioButton("Generators", active == SourceKind::Generators))
        model.selectSource(SourceKind::Generators);
    ImGui::SameLine(0.0f, -1.0f);
    if (ImGui::RadioButton("File", active == SourceKind::File))
        model.selectSource(SourceKind::File);
    ImGui::SameLine(0.0f, -1.0f);
    if (ImGui::RadioButton("Input", active == SourceKind::Input))
        model.selectSource(SourceKind::Input);
}

void drawSourceWindow(ISourceModel& model, SourcePanelState_t& state, PanelLayout& layout)
{
    const SourceKind shown = model.sourceStage().shownPanel();
    if (shown == SourceKind::Generators)
        return;
    if (shown == SourceKind::File) {
        layout.begin(soundFilePanel, ImGuiWindowFlags_AlwaysAutoResize);
        drawFilePanel(model, state);
    } else {
        layout.begin(soundInputPanel, ImGuiWindowFlags_AlwaysAutoResize);
        drawInputPanel(model, state);
    }
    ImGui::End();
}

} // namespace dravik
