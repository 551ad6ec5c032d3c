#include "panels/GeneratorPanel.h"

#include "audio/NotePosition.h"
#include "panels/Widgets.h"

#include <imgui.h>

namespace dravik {

namespace {

// A typed frequency may go above the slider, up to well beyond any sample
// rate (the analysis then shows where it folds back); amplitudes stop at full scale.
constexpr TypedRange_t typedFrequency{0.0, 1.0e6};
constexpr TypedRange_t typedAmplitude{0.0, 1.0};

void drawEntry(GeneratorEntry& entry)
{
    ImGui::Checkbox("Enabled", &entry.enabled);
    OscillatorParams_t& params = *entry.oscillator.params();
    ImGui::LabelText("Sample Rate: ", "%0.2f", params.sampleRate);
    sliderDouble("Amplitude##1", params.amplitude, 0.0, 1.0, typedAmplitude);
    sliderDouble("Frequency##1", params.frequency, 32.7032013, 5274.04102, typedFrequency);
    const NotePosition_t position = notePosition(params.frequency);
    if (position.valid) {
        ImGui::LabelText("Midi", "%d", position.note);
        ImGui::LabelText("Freq", "[%0.2f - %0.2f) => %0.2f%%", position.low, position.high, position.percent);
    } else {
        ImGui::LabelText("Midi", "-");
        ImGui::LabelText("Freq", "-");
    }
}

} // namespace

GeneratorPanelRequest_t drawGeneratorPanel(std::vector<GeneratorEntry>& generators, bool canAdd, PanelLayout& layout)
{
    GeneratorPanelRequest_t request;
    layout.begin(generatorPanel, ImGuiWindowFlags_AlwaysAutoResize);
    if (canAdd) {
        request.add = ImGui::Button("Add");
        ImGui::Separator();
    }
    for (std::size_t i = 0; i < generators.size(); ++i) {
        GeneratorEntry& entry = generators[i];
        // Keyed by the entry's own number, so its open state and a typed entry
        // in progress stay with it when an earlier entry is deleted.
        ImGui::PushID(static_cast<int>(entry.number));
        if (ImGui::TreeNode(entry.name.c_str())) {
            if (ImGui::Button("Delete"))
                request.deleteIndex = i;
            drawEntry(entry);
            ImGui::TreePop();
        }
        ImGui::PopID();
        ImGui::Separator();
    }
    ImGui::End();
    return request;
}

} // namespace dravik
