#include "analysis/FFTWRingBuffer.h"
#include "decode/SndfileOpener.h"
#include "source/FileSource.h"

#include <SFML/Audio/OutputSoundFile.hpp>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace dravik;

// A minute of 48 kHz stereo music-like sound (three partials) in the given format.
std::string soundFile(const std::string& extension)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("dravik-bench-" + std::to_string(::getpid()) + "." + extension))
            .string();
    if (std::filesystem::exists(path))
        return path;
    sf::OutputSoundFile file;
    file.openFromFile(path, 48000, 2);
    std::vector<sf::Int16> samples(2 * 48000);
    for (int second = 0; second < 60; ++second) {
        for (std::size_t f = 0; f < 48000; ++f) {
            const double t = (second * 48000.0 + static_cast<double>(f)) / 48000.0;
            const double v = 0.3 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * 331 * t) +
                             0.1 * std::sin(2 * M_PI * 1250 * t);
            samples[2 * f] = static_cast<sf::Int16>(std::lround(v * 32767));
            samples[2 * f + 1] = static_cast<sf::Int16>(std::lround(-v * 32767));
        }
        file.write(samples.data(), samples.size());
    }
    return path;
}

// One second of playback as 60 frames: decoding ahead, the mono mix-down and
// the paced pushes into the analyser (the transforms themselves are left out,
// they cost the same for every source). Time per iteration = CPU per second of sound.
void streamOneSecond(benchmark::State& state, const std::string& extension)
{
    const std::string path = soundFile(extension);
    std::string error;
    FileSource source(nullptr);
    source.setLooping(true);
    source.load(SndfileOpener().open(path, error));
    FFTParams_t params;
    FFTWRingBuffer analyser(params);
    for (auto _ : state) {
        for (int frame = 0; frame < 60; ++frame) {
            source.update(1.0 / 60.0);
            benchmark::DoNotOptimize(source.feedAnalyser(analyser, params.blockSize, params.windowSize));
        }
    }
}

void BM_StreamWav(benchmark::State& state)
{
    streamOneSecond(state, "wav");
}
void BM_StreamFlac(benchmark::State& state)
{
    streamOneSecond(state, "flac");
}
void BM_StreamOggVorbis(benchmark::State& state)
{
    streamOneSecond(state, "ogg");
}
BENCHMARK(BM_StreamWav)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamFlac)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamOggVorbis)->Unit(benchmark::kMillisecond);

// Opening a six-hour WAV reads its header only.
void BM_OpenSixHourWav(benchmark::State& state)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("dravik-bench-six-hours-" + std::to_string(::getpid()) + ".wav"))
            .string();
    {
        sf::OutputSoundFile file;
        file.openFromFile(path, 44100, 2);
    }
    const std::uint64_t dataBytes = std::uint64_t{6} * 3600 * 44100 * 4;
    std::filesystem::resize_file(path, 44 + dataBytes);
    {
        // Patch the two sizes in the header to state six hours.
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        const auto put = [&](long at, std::uint32_t v) {
            std::fseek(f, at, SEEK_SET);
            const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
            std::fwrite(b, 1, 4, f);
        };
        put(4, static_cast<std::uint32_t>(36 + dataBytes));
        put(40, static_cast<std::uint32_t>(dataBytes));
        std::fclose(f);
    }
    for (auto _ : state) {
        std::string error;
        benchmark::DoNotOptimize(SndfileOpener().open(path, error));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenSixHourWav)->Unit(benchmark::kMicrosecond);

} // namespace
