#pragma once

#include "analysis/NoteReading.h"
#include "analysis/PeakEstimate.h"
#include "view/PlotGeometry.h"

namespace dravik {

class FFTDebugView;

// "441.30 Hz  A4 +5 c  -1.2 dB": the peak's frequency, nearest note with
// cents, and the strongest bin's level; "-" without a peak.
ReadoutText_t peakReadoutText(const SpectrumPeak_t& peak);

// Three lines, "441.3 Hz", "A4 +5 c" and "-12.3 dB": the frequency under the
// cursor, its nearest note, and the level of the spectrum there (a line left
// out while no spectrum is shown). Empty when the cursor is off the plot.
ReadoutText_t cursorReadoutText(const CursorReading_t& reading);

// A note square under the mouse: "A4 (MIDI 69)", and "tracked" on a second
// line when the tracker hears the note now. Empty for no note (-1).
ReadoutText_t noteHoverText(std::int32_t note, bool tracked);

// The main menu's "Peak" row.
void drawPeakReadout(const SpectrumPeak_t& peak);

// The cursor readout in a small overlay by the mouse, when the cursor is over
// the plot or a note square and no panel has the mouse; a note's name comes first.
void drawCursorReadout(const CursorReading_t& reading, const ReadoutText_t& note);

// The "Log Frequency Axis" and "dB" checkboxes, on one row.
void drawAxisOptions(FFTDebugView& view);

} // namespace dravik
