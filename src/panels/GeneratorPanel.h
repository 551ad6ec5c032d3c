#pragma once

#include "audio/GeneratorEntry.h"
#include "panels/PanelLayout.h"

#include <cstddef>
#include <limits>
#include <vector>

namespace dravik {

// What the user asked of the "Audio Generator" window this frame, for the
// owner of the bank to carry out.
struct GeneratorPanelRequest_t {
    static constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
    bool add = false;
    std::size_t deleteIndex = none;
};

// Draws the "Audio Generator" window. Each entry's Enabled, Amplitude and
// Frequency are edited in place; adding and deleting are returned.
GeneratorPanelRequest_t drawGeneratorPanel(std::vector<GeneratorEntry>& generators, bool canAdd, PanelLayout& layout);

} // namespace dravik
