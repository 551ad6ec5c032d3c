#include "source/RealTimePacing.h"

namespace dravik {

PacingStep_t paceAnalysis(const PacingState_t& s)
{
    const std::int64_t ready = s.pushedEnd + static_cast<std::int64_t>(s.needed);
    if (s.heard < ready)
        return {PacingAction::Wait, 0};
    if (s.heard < ready + static_cast<std::int64_t>(s.hop) && s.pushedEnd >= s.validFrom)
        return {PacingAction::Continue, ready};
    if (s.heard - static_cast<std::int64_t>(s.window) >= s.validFrom)
        return {PacingAction::Restart, s.heard};
    return {PacingAction::Wait, 0};
}

} // namespace dravik
