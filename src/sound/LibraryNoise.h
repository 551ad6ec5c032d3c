#pragma once

#include <SFML/Audio/SoundBuffer.hpp>

#include <memory>
#include <streambuf>

namespace dravik {

// The sound and window libraries explain themselves at length on stderr:
// ALSA and OpenAL Soft some ten lines when there is no audio device, SFML a
// few more for the OpenGL context and vertical sync. The program says what
// matters in one line of its own, so that text is kept for those who ask for
// it (--verbose), and otherwise dropped:
// - OpenAL Soft's log level is set before the library reads it (a level the
//   user set in ALSOFT_LOGLEVEL is kept);
// - SFML's error stream goes nowhere;
// - the audio device is opened here, with stderr pointed at /dev/null for
//   that moment (ALSA's lines come from the library that OpenAL loads), and
//   held open for the life of this object, so no later sound object opens it
//   again.
// Build one before any sound object, and let it outlive them all.
class LibraryNoise {
public:
    explicit LibraryNoise(bool verbose);
    ~LibraryNoise();
    LibraryNoise(const LibraryNoise&) = delete;
    LibraryNoise& operator=(const LibraryNoise&) = delete;

private:
    class NullBuffer : public std::streambuf {
    protected:
        int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
    };

    NullBuffer sink;
    std::streambuf* sfmlErrors = nullptr;
    // Any audio resource keeps SFML's one audio device open while it lives.
    std::unique_ptr<sf::SoundBuffer> deviceHold;
};

} // namespace dravik
