#include "panels/MainMenuPanel.h"

#include "output/NoteOutputs.h"
#include "panels/FFTOptionsPanel.h"
#include "panels/MapperOptionsPanel.h"
#include "panels/NoteTrackerPanel.h"
#include "panels/PanelLayout.h"
#include "panels/PlotReadouts.h"
#include "panels/SoundReadout.h"
#include "panels/SourcePanels.h"
#include "panels/Widgets.h"
#include "view/FFTDebugView.h"
#include "view/HistoryView.h"

#include <imgui.h>

namespace dravik {

namespace {

// Typed sample rates may go beyond the slider up to what audio hardware offers.
constexpr TypedRange_t typedSampleRate{1024.0, 384000.0};

void drawGridFlags(FFTDebugView& view)
{
    ImGui::Checkbox("Show Linear Grid", &view.showLinearGrid);
    ImGui::SameLine(0.0f, -1.0f);
    ImGui::Checkbox("Show Log Grid", &view.showLogGrid);
    ImGui::Checkbox("Show Linear Labels", &view.showLinearLabels);
    ImGui::SameLine(0.0f, -1.0f);
    ImGui::Checkbox("Show Log Labels", &view.showLogLabels);
}

void drawMapperChoice(IAnalysisModel& model)
{
    const MapperType active = model.activeMapper().type();
    ImGui::LabelText("MIDI Mapper", "%s", "");
    // A click, also on the active mapper, builds a fresh one with default settings.
    if (ImGui::RadioButton("Gaussian Cents", active == MapperType::GaussianCents))
        model.selectMapper(MapperType::GaussianCents);
    ImGui::SameLine(0.0f, -1.0f);
    if (ImGui::RadioButton("Harmonic Energy", active == MapperType::HarmonicEnergy))
        model.selectMapper(MapperType::HarmonicEnergy);
}

void drawHistoryOptions(HistoryView& view)
{
    static constexpr const char* spanNames[historySpans.size()] = {"5 s", "10 s", "30 s"};
    std::size_t current = 0;
    for (std::size_t i = 0; i < historySpans.size(); ++i) {
        if (historySpans[i] == view.getSpan())
            current = i;
    }
    ImGui::SetNextItemWidth(80.0f);
    if (ImGui::BeginCombo("History Span", spanNames[current])) {
        for (std::size_t i = 0; i < historySpans.size(); ++i) {
            if (ImGui::Selectable(spanNames[i], i == current))
                view.setSpan(historySpans[i]);
        }
        ImGui::EndCombo();
    }
    tooltip("How many seconds of notes and spectra the history under the spectrum shows.");
    ImGui::SameLine(0.0f, -1.0f);
    ImGui::Checkbox("Spectrogram", &view.showSpectrogram);
    tooltip("Shows the analysed spectra behind the note bars, one row per analysis.");
}

void drawSoundRows(IGeneratorSoundModel& sound, IDisplayModel& display)
{
    double rate = sound.sampleRate();
    if (sliderDouble("Sample Rate##1", rate, 1024.0, 48000.0, typedSampleRate))
        sound.setSampleRate(rate);
    bool muted = sound.isMuted();
    if (ImGui::Checkbox("Mute Audio", &muted))
        sound.setMuted(muted);
    ImGui::SameLine(0.0f, -1.0f);
    if (ImGui::Button("Reset View"))
        display.resetView();
}

void drawAnalysisOptions(IAnalysisModel& analysis)
{
    drawMapperChoice(analysis);
    ImGui::Separator();
    FFTParams_t params = analysis.analyserSettings();
    if (drawFFTOptions(params, analysis.analysisSampleRate()))
        analysis.applyFFTParams(params);
    drawOptions(analysis.activeMapper());
}

// Recording and MIDI out sit in a node of their own, closed at first, with
// the tracker's options, so the menu stays short.
void drawNoteOutputs(NoteOutputs& notes, NoteTrackerParams_t& tracker)
{
    if (!ImGui::TreeNode("MIDI Notes"))
        return;
    if (notes.hasUnsavedRecording()) {
        // No new recording until this one is written or dropped.
        if (ImGui::Button("Save Again"))
            notes.saveRecordingAgain();
        ImGui::SameLine();
        if (ImGui::Button("Discard"))
            notes.discardRecording();
    } else if (!notes.isRecording() && ImGui::Button("Record")) {
        notes.startRecording();
    } else if (notes.isRecording() && ImGui::Button("Stop")) {
        notes.stopRecording();
    }
    if (!notes.recordingMessage().empty())
        wrappedText(notes.recordingMessage().c_str());
    bool midiOut = notes.isMidiOutOn();
    if (ImGui::Checkbox("MIDI Out", &midiOut))
        notes.setMidiOut(midiOut);
    std::int32_t channel = notes.midiChannel();
    if (sliderInt("MIDI Channel", channel, 1, 16))
        notes.setMidiChannel(channel);
    if (!notes.midiMessage().empty())
        wrappedText(notes.midiMessage().c_str());
    drawNoteTrackerOptions(tracker);
    ImGui::TreePop();
}

} // namespace

void drawMainMenu(IMainMenuModel& model)
{
    model.panelLayout().begin(mainMenuPanel, ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::LabelText("FPS", "%0.2f", static_cast<double>(ImGui::GetIO().Framerate));
    drawSoundRows(model, model);
    drawSourceSelector(model.sourceModel());
    soundReadout(model.outputGain(), model.audioUnderruns());
    ImGui::Separator();

    drawGridFlags(model.spectrumView());
    drawAxisOptions(model.spectrumView());
    drawPeakReadout(model.spectrumPeak());
    ImGui::Separator();

    drawAnalysisOptions(model);
    drawNoteOutputs(model.noteOutputs(), model.trackerSettings());
    if (ImGui::Button("Reset Layout"))
        model.panelLayout().requestReset();
    ImGui::SameLine(0.0f, -1.0f);
    drawHistoryOptions(model.historyView());
    ImGui::End();
}

} // namespace dravik
