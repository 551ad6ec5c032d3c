#pragma once

#include "tracking/NoteTrackerParams.h"

namespace dravik {

// The "Note Tracker" node: the tracker's levels, timing and note range,
// edited in place (the tracker reads them afresh every analysis). The rate and
// the low-note window follow the analysis and are not offered. An off level
// is kept at or below its on level, so a note never ends as it starts.
// Returns true in the frame a setting changed.
bool drawNoteTrackerOptions(NoteTrackerParams_t& params);

} // namespace dravik
