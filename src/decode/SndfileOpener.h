#pragma once

#include "source/IFileOpener.h"

namespace dravik {

// Opens WAV (integer and 32/64-bit float), AIFF, FLAC, Ogg Vorbis, Opus and
// MP3 files through libsndfile. Only the header is read on opening, so a file
// of any length opens at once. Paths that are not regular files (folders,
// pipes, devices) are refused, and the file is opened without blocking, so
// opening never waits on a writer.
class SndfileOpener final : public IFileOpener {
public:
    std::unique_ptr<IAudioDecoder> open(const std::string& path, std::string& error) override;
};

} // namespace dravik
