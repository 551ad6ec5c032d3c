#pragma once

#include "source/IFileOpener.h"

namespace dravik {

// Opens WAV, FLAC and Ogg Vorbis files with SFML's streaming reader: only the
// header is read on opening, so a file of any length opens at once. Paths that
// are not regular files (folders, pipes, devices) are refused before opening,
// so opening never waits on a reader.
class SfmlFileOpener final : public IFileOpener {
public:
    std::unique_ptr<IAudioDecoder> open(const std::string& path, std::string& error) override;
};

} // namespace dravik
