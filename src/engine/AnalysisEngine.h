#pragma once

#include "analysis/AnalysedWindow.h"
#include "analysis/FFTParams.h"
#include "analysis/FFTWRingBuffer.h"
#include "analysis/IFFT.h"
#include "mapping/MapperWrapper.h"
#include "tracking/LowNoteAnalyser.h"
#include "tracking/NoteTracker.h"
#include "tracking/ShortHopAnalyser.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace dravik {

// The analysis from samples to notes, one object for the program and for
// batch transcription. Every pushed block reaches the spectrum analyser, the
// longer low-note analysis and the short-hop onset and pitch analysis; every
// completed hop is tracked at once, and every onset once its decision time
// has passed (from half a main window ending at the block that reaches it),
// so the notes do not depend on how the pushes were grouped into frames. The
// active mapper maps the latest spectrum when asked.
//
// The engine is the one home of the analysis rate and window length. Each
// spectrum carries them; the copies that the mapper's and tracker's records
// hold (MapperParams_t::sampleRate and fftSize, NoteTrackerParams_t::sampleRate)
// are written here alone, whenever the frame changes.
//
// As an IFFT it is what the sources push into. Allocates on the first hops
// only; a settings change builds new analysers.
class AnalysisEngine final : public IFFT {
public:
    explicit AnalysisEngine(double sampleRate = 44100.0, const FFTParams_t& fft = {},
                            const NoteTrackerParams_t& tracking = {}, MapperType mapper = MapperType::GaussianCents);

    double sampleRate() const { return rate; }
    // Ends the sounding notes and starts the analysis afresh at the new rate;
    // the clock runs on. False, changing nothing, for a rate that is not
    // positive and finite.
    bool setSampleRate(double sampleRate);
    const FFTParams_t& fftParams() const { return settings; }
    // New analysers with these settings (hop rate clamped to [0, 1]): the
    // sounding notes end and the next spectrum needs a whole window; the
    // clock runs on.
    void applyFFTParams(const FFTParams_t& params);

    MapperWrapper& mapper() { return *activeMapper; }
    const MapperWrapper& mapper() const { return *activeMapper; }
    // A new mapper with default settings, also for the active type; the new
    // one is complete before the old one goes.
    void selectMapper(MapperType type);
    // The options of a mapper of that type, as saved: the active mapper takes
    // them when it is of that type, and they are kept for the other. The rate
    // and window length stay the analysis's own.
    void restoreMapperOptions(const GaussianCentsMapperParams_t& options);
    void restoreMapperOptions(const NoteEnergyParams_t& options);
    // The options to save of each mapper: the active one's live record, the
    // other's as last restored.
    const GaussianCentsMapperParams_t& gaussianOptions() const;
    const NoteEnergyParams_t& harmonicOptions() const;

    // The tracker's settings, edited in place; the rate in them follows the analysis.
    NoteTrackerParams_t& trackerSettings() { return tracker.params(); }
    const NoteTrackerParams_t& trackerSettings() const { return tracker.params(); }

    // The block input (IFFT). A reset empties the analyses but keeps the
    // clock and the sounding notes.
    bool isReady() const override { return fft->isReady(); }
    std::uint64_t blocksUntilReady() const override { return fft->blocksUntilReady(); }
    void reset() override;
    bool pushBlock(const double* samples, std::uint64_t count) override;
    // The latest spectrum's bins while a hop has just completed, else none.
    MagnitudeSpectrum compute() override { return fft->isReady() ? latest.bins : MagnitudeSpectrum{}; }

    // The latest spectrum with its frame; empty until the first hop and after
    // a change of settings.
    const Spectrum_t& spectrum() const { return latest; }
    // The active mapper's note energies for the latest spectrum.
    NoteEnergyView mapSpectrum() { return activeMapper->map(latest.bins); }
    // Every note event since the last take: those of each hop tracked and of
    // each end of notes. Valid until the next hop or end of notes.
    NoteEventView takeEvents();
    ActiveNoteView activeNotes() const { return tracker.active(); }
    NoteLevelView noteLevels() const { return tracker.levels(); }
    // Ends every sounding note now; the events join those to take.
    void endNotes();
    // Seconds of analysed signal: the time of the last sample pushed. It runs
    // on across resets, rates and settings.
    double seconds() const;

private:
    void keep(NoteEventView events);
    void trackHop();
    void trackOnsets();
    void followFrame();

    FFTParams_t settings;
    double rate;
    NoteTracker tracker;
    std::unique_ptr<FFTWRingBuffer> fft;
    // Half the main window, ending at the latest block, for the onsets' decisions.
    std::unique_ptr<FFTWRingBuffer> onsetFft;
    std::unique_ptr<LowNoteAnalyser> low;
    std::unique_ptr<ShortHopAnalyser> hops;
    std::unique_ptr<MapperWrapper> activeMapper;
    GaussianCentsMapperParams_t keptGaussian;
    NoteEnergyParams_t keptHarmonic;
    Spectrum_t latest;
    std::vector<NoteEvent_t> pending;
    bool pendingTaken = false;
    // The clock: seconds at baseSamples, then pushed samples at the rate.
    std::uint64_t pushed = 0;
    std::uint64_t baseSamples = 0;
    double baseSeconds = 0.0;
};

} // namespace dravik
