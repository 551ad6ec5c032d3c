#pragma once

#include <SFML/Audio/OutputSoundFile.hpp>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace dravik::test {

// A folder of its own for the files a test writes, removed with them.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& name)
        : folder(std::filesystem::temp_directory_path() / ("dravik-" + name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::string operator/(const std::string& file) const { return (folder / file).string(); }

private:
    std::filesystem::path folder;
};

// Writes sines (the sum of `frequencies`, each at `amplitude`) on the first
// channel and on every other channel only when `allChannels`; the format
// follows the file's extension (wav, flac, ogg).
inline bool writeTone(const std::string& path, unsigned rate, unsigned channels, double seconds,
                      std::initializer_list<double> frequencies, double amplitude = 0.5, bool allChannels = true)
{
    sf::OutputSoundFile file;
    if (!file.openFromFile(path, rate, channels))
        return false;
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<sf::Int16> samples(frames * channels);
    const double pi = std::acos(-1.0);
    for (std::size_t f = 0; f < frames; ++f) {
        double value = 0.0;
        for (const double hz : frequencies)
            value += amplitude * std::sin(2.0 * pi * hz * static_cast<double>(f) / rate);
        for (unsigned c = 0; c < channels; ++c)
            samples[f * channels + c] =
                static_cast<sf::Int16>(c == 0 || allChannels ? std::lround(value * 32767.0) : 0);
    }
    file.write(samples.data(), samples.size());
    return true;
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A 44-byte PCM WAV header stating the given format and data length.
inline std::vector<std::uint8_t> wavHeader(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                                           std::uint32_t dataBytes)
{
    std::vector<std::uint8_t> h;
    const auto text = [&](const char* s) { h.insert(h.end(), s, s + 4); };
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto u16 = [&](std::uint16_t v) {
        h.push_back(static_cast<std::uint8_t>(v));
        h.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    text("RIFF");
    u32(36 + dataBytes);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * blockAlign);
    u16(blockAlign);
    u16(bits);
    text("data");
    u32(dataBytes);
    return h;
}

} // namespace dravik::test
