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

// The main menu's models, split by what each of its parts needs. The scene
// implements them; every setter is the one operation that applies its
// setting to everything derived from it.

// The generators' sound: the rate they are sampled at, mute, and what the
// sound output did.
class IGeneratorSoundModel {
public:
    virtual ~IGeneratorSoundModel() = default;
    // The rate the generators are sampled at. While they are the analysed
    // source, the analysis follows it and starts afresh. Frequencies keep
    // their meaning in Hz; what is heard is the tones as sampled at this
    // rate. False, nothing changed, for a rate that is not positive and finite.
    virtual double sampleRate() const = 0;
    virtual bool setSampleRate(double rate) = 0;
    virtual bool isMuted() const = 0;
    virtual void setMuted(bool mute) = 0;
    // The sound output's gain that keeps a loud sum from clipping, and how
    // often it ran dry.
    virtual double outputGain() const = 0;
    virtual std::uint64_t audioUnderruns() const = 0;
};

// The analysis settings: FFT options, the mapper and the tracker.
class IAnalysisModel {
public:
    virtual ~IAnalysisModel() = default;
    // The rate of what is analysed, for the bin size.
    virtual double analysisSampleRate() const = 0;
    virtual const FFTParams_t& analyserSettings() const = 0;
    // New analysers with these settings (hop rate clamped to its range); the
    // sounding notes end and the source refills the analysis.
    virtual void applyFFTParams(const FFTParams_t& params) = 0;
    virtual MapperWrapper& activeMapper() = 0;
    // Always builds a new mapper with default settings, also for the active type.
    virtual void selectMapper(MapperType type) = 0;
    // The note tracker's settings, edited in place like the mappers' options;
    // the rate in them follows the analysis.
    virtual NoteTrackerParams_t& trackerSettings() = 0;
};

// The drawing: the views whose flags the menu edits in place, the peak, the
// panels' places and the view's pan and zoom.
class IDisplayModel {
public:
    virtual ~IDisplayModel() = default;
    virtual FFTDebugView& spectrumView() = 0;
    virtual HistoryView& historyView() = 0;
    // The latest spectrum's strongest peak, for the "Peak" row.
    virtual const SpectrumPeak_t& spectrumPeak() const = 0;
    // Where the panels are placed; "Reset Layout" puts them back.
    virtual PanelLayout& panelLayout() = 0;
    // Back to the drawing's start view: no pan, no zoom.
    virtual void resetView() = 0;
};

// Everything the main menu shows: the parts above, the source selector's
// choices, and where the tracked notes go ("Record", "MIDI Out").
class IMainMenuModel : public IGeneratorSoundModel, public IAnalysisModel, public IDisplayModel {
public:
    virtual ISourceModel& sourceModel() = 0;
    virtual NoteOutputs& noteOutputs() = 0;
};

// Draws the "dravik.smx main menu" window.
void drawMainMenu(IMainMenuModel& model);

} // namespace dravik
