#pragma once

#include "analysis/PeakEstimate.h"
#include "mapping/MapperParams.h"
#include "panels/FFTOptionsPanel.h"
#include "panels/SourcePanels.h"
#include "tracking/NoteTrackerParams.h"

#include <cstdint>
#include <string>

namespace dravik {

class FFTDebugView;
class HistoryView;
class PanelLayout;
class MapperWrapper;
class NoteOutputs;

// What the main menu shows and changes. The scene implements it; every
// setter is the one operation that applies its setting to everything derived
// from it.
class IMainMenuModel {
public:
    virtual ~IMainMenuModel() = default;

    virtual double sampleRate() const = 0;
    // False, nothing changed, for a rate the program cannot use.
    virtual bool setSampleRate(double rate) = 0;
    // The rate of what is analysed, for the bin size.
    virtual double analysisSampleRate() const = 0;
    virtual bool isMuted() const = 0;
    virtual void setMuted(bool mute) = 0;
    // The sound output's gain that keeps a loud sum from clipping, and how
    // often it ran dry.
    virtual double outputGain() const = 0;
    virtual std::uint64_t audioUnderruns() const = 0;
    // The spectrum view, whose grid and label flags the menu edits in place.
    virtual FFTDebugView& spectrumView() = 0;
    // The history under the spectrum, whose span and spectrogram the menu edits in place.
    virtual HistoryView& historyView() = 0;
    virtual MapperWrapper& activeMapper() = 0;
    virtual void selectMapper(MapperType type) = 0;
    virtual const FFTParams_t& analyserSettings() const = 0;
    virtual void applyFFTParams(const FFTParams_t& params) = 0;
    // The latest spectrum's strongest peak, for the "Peak" row.
    virtual const SpectrumPeak_t& spectrumPeak() const = 0;
    // The source selector's choices.
    virtual ISourceModel& sourceModel() = 0;
    // Where the panels are placed; "Reset Layout" puts them back.
    virtual PanelLayout& panelLayout() = 0;
    // Back to the drawing's start view: no pan, no zoom.
    virtual void resetView() = 0;
    // "Record" / "Stop" and "MIDI Out": where the tracked notes go.
    virtual NoteOutputs& noteOutputs() = 0;
    // The note tracker's settings, edited in place like the mappers' options;
    // the rate in them follows the analysis.
    virtual NoteTrackerParams_t& trackerSettings() = 0;
};

// Draws the "dravik.smx main menu" window.
void drawMainMenu(IMainMenuModel& model);

} // namespace dravik
