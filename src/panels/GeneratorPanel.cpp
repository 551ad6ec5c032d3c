#include "panels/GeneratorPanel.h"

#include "analysis/NoteReading.h"
#include "audio/NotePosition.h"
#include "panels/Widgets.h"
#include "shared/NoteFrequency.h"

#include <imgui.h>

#include <cmath>
#include <cstdio>

namespace dravik {

namespace {

// A typed frequency may go above the slider, up to well beyond any sample
// rate (the analysis then shows where it folds back); amplitudes stop at full scale.
constexpr TypedRange_t typedFrequency{0.0, 1.0e6};
constexpr TypedRange_t typedAmplitude{0.0, 1.0};
// The notes the "Note" combo offers: the note row's range.
constexpr std::int32_t firstComboNote = 12;
constexpr std::int32_t lastComboNote = 113;

// Picks the frequency by note: the combo shows the nearest note and sets the
// note's exact frequency, which a drag of the slider (tens of hertz per pixel)
// cannot reach for low notes.
void drawNoteCombo(double& frequency)
{
    const NoteReading_t nearest = nearestNote(frequency);
    const ReadoutText_t shown = nearest.valid ? noteName(nearest.note) : ReadoutText_t{"-"};
    if (!ImGui::BeginCombo("Note", shown.c_str()))
        return;
    for (std::int32_t note = firstComboNote; note <= lastComboNote; ++note) {
        const bool selected = nearest.valid && note == nearest.note;
        if (ImGui::Selectable(noteName(note).c_str(), selected))
            frequency = noteFrequency(note, concertPitch);
        if (selected)
            ImGui::SetItemDefaultFocus();
    }
    ImGui::EndCombo();
}

void drawEntry(GeneratorEntry& entry)
{
    ImGui::Checkbox("Enabled", &entry.enabled);
    OscillatorParams_t& params = *entry.oscillator.params();
    ImGui::LabelText("Sample Rate: ", "%0.2f", params.sampleRate);
    sliderDouble("Amplitude##1", params.amplitude, 0.0, 1.0, typedAmplitude);
    sliderDouble("Frequency##1", params.frequency, 32.7032013, 5274.04102, typedFrequency);
    drawNoteCombo(params.frequency);
    const NotePosition_t position = notePosition(params.frequency);
    if (position.valid) {
        ImGui::LabelText("Midi", "%d", position.note);
        // Cents above the row's note, beside the share of the way to the next.
        const double cents = 1200.0 * std::log2(params.frequency / position.low);
        char text[96];
        std::snprintf(text, sizeof text, "[%0.2f - %0.2f) => %0.2f%% (%+.1f c)", position.low, position.high,
                      position.percent, cents);
        labelValue("Freq", text);
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
