#pragma once

#include "source/IAudioDecoder.h"

#include <memory>
#include <string>

namespace dravik {

// Opens sound files for the file source.
class IFileOpener {
public:
    virtual ~IFileOpener() = default;
    // The opened file, or null with a one-line reason in `error`.
    virtual std::unique_ptr<IAudioDecoder> open(const std::string& path, std::string& error) = 0;
};

} // namespace dravik
