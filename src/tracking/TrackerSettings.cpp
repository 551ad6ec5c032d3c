#include "tracking/TrackerSettings.h"

namespace dravik {

void copyTrackerOptions(const NoteTrackerParams_t& from, NoteTrackerParams_t& to)
{
    copyUserSettings(trackerSettings, from, to);
}

} // namespace dravik
