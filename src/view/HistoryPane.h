#pragma once

#include "analysis/AnalysedWindow.h"
#include "history/LevelHistory.h"
#include "history/NoteHistory.h"
#include "tracking/NoteEvent.h"
#include "view/HistoryView.h"

#include <SFML/System/Vector2.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace dravik {

// The history the scene keeps and its view: what each analysis adds, what
// each frame lays out, and where a click on it points in time.
//
// Memory is fixed at construction: columnCapacity spectrogram columns of
// rowCount floats (and as many texture rows of RGBA pixels), and
// noteCapacity note bars.
class HistoryPane {
public:
    // About 34 s of columns at 60 analyses per second, the most the frame loop makes.
    static constexpr std::size_t columnCapacity = 2048;
    static constexpr std::size_t noteCapacity = 1024;

    HistoryPane();

    // The history's clock runs in real time, as things are heard, while there
    // is something to hear (a paused file holds it still). The analysis clock
    // counts analysed samples, which fall behind real time when frames are
    // slow, so note times are moved onto this one.
    void advance(double seconds) { clock += seconds; }
    double now() const { return clock; }
    // The tracker's events, their times on the analysis clock, which reads
    // analysisSeconds now.
    void addNotesAt(NoteEventView events, double analysisSeconds) { notes.add(events, clock - analysisSeconds); }

    // The tracker's events, as they come, their times moved by clockOffset
    // onto the history's clock.
    void addNotes(NoteEventView events, double clockOffset) { notes.add(events, clockOffset); }
    // One analysis taken with fftSize samples at sampleRate, at `seconds` on the history's clock.
    void addSpectrum(const Spectrum_t& spectrum, double seconds);
    // Once per frame. fileOrigin is the play position of a file being
    // analysed (the time lines then read the file's time), else nothing.
    void update(ActiveNoteView active, double now, std::optional<double> fileOrigin);
    // Where a point of the parent's coordinates falls in the history: the
    // seconds before the latest frame, or nothing off the time area.
    std::optional<double> secondsBeforeNowAt(sf::Vector2f point) const { return view.secondsBeforeNowAt(point); }

    HistoryView& display() { return view; }
    const HistoryView& display() const { return view; }
    const NoteHistory& noteBars() const { return notes; }
    const LevelHistory& columns() const { return spectra; }

private:
    double clock = 0.0;
    NoteHistory notes;
    LevelHistory spectra;
    HistoryView view;
};

} // namespace dravik
