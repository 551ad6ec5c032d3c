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

} // namespace dravik::resources
