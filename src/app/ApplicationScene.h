#pragma once

#include "analysis/PeakEstimate.h"
#include "app/EventRouting.h"
#include "app/IScene.h"
#include "desktop/DesktopFiles.h"
#include "engine/AnalysisEngine.h"
#include "output/NoteOutputs.h"
#include "panels/MainMenuPanel.h"
#include "panels/PanelLayout.h"
#include "panels/SourcePanels.h"
#include "sound/GeneratorSound.h"
#include "source/SourceStage.h"
#include "ui/ImGuiBinding.h"
#include "view/FFTDebugView.h"
#include "view/HistoryPane.h"
#include "view/MidiDisplay.h"
#include "view/PointerReading.h"

#include <SFML/System/Clock.hpp>
#include <SFML/System/Vector2.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace dravik {

class IViewContext;

// The program's one scene: it wires the sources, the analysis engine, the
// note outputs, the sound output, the views and the panels. Every frame it
// draws the panels, lets the active source feed the engine, and hands the
// latest spectrum and the new notes to the views and outputs. Each setting
// has one operation here that carries it to everything derived from it.
class ApplicationScene final : public IScene, public IMainMenuModel, public ISourceModel {
public:
    // The view context must outlive the scene. Opens the sound output.
    explicit ApplicationScene(IViewContext& viewContext);

    void onStart(sf::RenderWindow& window) override;
    void onStop(sf::RenderWindow& window) override;
    void render(sf::RenderWindow& window) override;
    void update(sf::RenderWindow& window, const sf::Time& elapsed) override;
    bool handleEvent(sf::RenderWindow& window, const sf::Event& event) override;

    // What the panels change (see the models), also callable without them.
    // The generators' rate is the analysis's while they are analysed.
    double sampleRate() const override { return sources.generators().sampleRate(); }
    bool setSampleRate(double rate) override;
    double analysisSampleRate() const override { return engine.sampleRate(); }
    bool isMuted() const override { return sound.isMuted(); }
    void setMuted(bool mute) override { sound.setMuted(mute); }
    double outputGain() const override { return sound.outputGain(); }
    std::uint64_t audioUnderruns() const override { return sound.underruns(); }
    void selectMapper(MapperType type) override;
    void applyFFTParams(const FFTParams_t& params) override;
    void resetView() override;
    PanelLayout& panelLayout() override { return layout; }
    // Stops every sound output at once, before an abrupt end of the process.
    void stopSound();
    bool openFile(const std::string& path) override;
    // Puts a file in the recent list without opening it.
    void rememberFile(const std::string& path) { sources.rememberFile(path); }
    // "Open..." and Ctrl+O: the desktop's file chooser, beside the frame
    // loop; the file chosen opens as if typed. Without any chooser the
    // "Sound File" panel shows with its path field and says why.
    void chooseFile();
    bool isChoosingFile() const { return desktop.isChoosing(); }
    bool selectSource(SourceKind kind) override;
    bool selectInputDevice(const std::string& name) override;
    SourceStage& sourceStage() { return sources; }
    const SourceStage& sourceStage() const override { return sources; }
    FileSource& file() override { return sources.file(); }
    std::vector<std::string> inputDevices() override { return sources.input().devices(); }
    ISourceModel& sourceModel() override { return *this; }
    const SourcePanelState_t& sourcePanelState() const { return sourcePanel; }

    const FFTParams_t& analyserSettings() const override { return engine.fftParams(); }
    MapperWrapper& activeMapper() override { return engine.mapper(); }
    // The analysis from samples to notes: spectra, note energies, tracked notes.
    const AnalysisEngine& analysis() const { return engine; }
    // For restoring saved settings; changes of rate and window go through the
    // scene's own operations, which carry them to the views.
    AnalysisEngine& analysis() { return engine; }
    FFTDebugView& spectrumView() override { return spectrum; }
    HistoryView& historyView() override { return history.display(); }
    const HistoryPane& historyPane() const { return history; }
    const FFTDebugView& spectrumDisplay() const { return spectrum; }
    // The latest spectrum's peak, and what lies under the mouse after the last update.
    const SpectrumPeak_t& spectrumPeak() const override { return peak; }
    const CursorReading_t& cursorReading() const { return pointer.cursor(); }
    const MidiDisplay& noteDisplay() const { return midiDisplay; }
    // Record and MIDI out.
    NoteOutputs& noteOutputs() override { return notes; }
    NoteTrackerParams_t& trackerSettings() override { return engine.trackerSettings(); }
    bool isPlaying() const { return sound.isPlaying(); }

private:
    // Files chosen in the chooser or dropped on the window.
    void takeDesktopFiles();
    void analyze();
    // Carries what a choice of source changed to the analysis; false when it failed.
    bool apply(const SourceChange_t& change);
    // A new analysis rate; the real-time source refills the analysis.
    void setAnalysisSampleRate(double rate);
    // The engine's note events since the last frame to the recording, MIDI
    // out and the history.
    void deliverNotes();
    // A left click on the history seeks a file to the time under it and plays on.
    bool seekToHistory(const sf::RenderWindow& window, const sf::Event& event);

    IViewContext& viewContext;
    // Outlives the window, whose mouse cursors it owns.
    ImGuiBinding ui;
    PanelLayout layout;
    AnalysisEngine engine;
    MidiDisplay midiDisplay;
    FFTDebugView spectrum;
    HistoryPane history;
    sf::Clock frameClock;
    GeneratorSound sound;
    sf::Vector2u windowSize{0, 0}; // for the start view
    SpectrumPeak_t peak{false, 0, 0.0, 0.0};
    bool heardSignal = false; // a spectrum above silence was analysed
    PointerReading pointer;
    // After the generators' sound, whose player opens the sound device the file player needs.
    SourceStage sources;
    SourcePanelState_t sourcePanel;
    DesktopFiles desktop;
    NoteOutputs notes{engine};
};

} // namespace dravik
