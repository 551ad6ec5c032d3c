#pragma once

#include "shared/ArrayView.h"

#include <cstdint>

namespace dravik {

// A note starting (velocity 1..127) or ending (velocity 0) at a frame's time.
struct NoteEvent_t {
    double timeSeconds;
    std::uint8_t note;
    std::uint8_t velocity;
};

using NoteEventView = ArrayView<NoteEvent_t>;

// A note sounding in the current frame.
struct ActiveNote_t {
    std::uint8_t note;
    std::uint8_t velocity; // at its onset
    double levelDb;        // this frame's level, dB of full scale
};

using ActiveNoteView = ArrayView<ActiveNote_t>;

} // namespace dravik
