#pragma once

#include <cstddef>

namespace dravik::resources {

// A block of bytes carried in the program's data; lives as long as the program.
struct ByteView {
    const unsigned char* data;
    std::size_t size;
};

// Noto Mono Regular, the face of every label the drawables show.
ByteView font();

// The window icon: a PNG of a black pulse-shaped waveform on white, 409 x 409.
ByteView windowIcon();

} // namespace dravik::resources
