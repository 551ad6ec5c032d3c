// dravik-latency: plays a sound file through the tracker block by block, as
// the program's scene feeds it, and writes for every note-on its stamped onset
// and the time of the last sample analysed when it went out:
// onset_s,emitted_s,note.

#include "analysis/FFTParams.h"
#include "engine/AnalysisEngine.h"

#include <SFML/Audio/InputSoundFile.hpp>

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    using namespace dravik;
    if (argc != 3) {
        std::fprintf(stderr, "usage: dravik-latency IN.wav OUT.csv\n");
        return 2;
    }
    sf::InputSoundFile file;
    if (!file.openFromFile(argv[1]) || file.getChannelCount() == 0) {
        std::fprintf(stderr, "dravik-latency: cannot read %s\n", argv[1]);
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "w");
    if (out == nullptr) {
        std::fprintf(stderr, "dravik-latency: cannot write %s\n", argv[2]);
        return 1;
    }
    const unsigned channels = file.getChannelCount();
    const FFTParams_t fft;
    AnalysisEngine engine(file.getSampleRate(), fft);
    std::vector<sf::Int16> interleaved(fft.blockSize * channels);
    std::vector<double> mono(fft.blockSize, 0.0);
    std::fprintf(out, "onset_s,emitted_s,note\n");
    for (;;) {
        const std::uint64_t read = file.read(interleaved.data(), interleaved.size()) / channels;
        if (read == 0)
            break;
        for (std::size_t i = 0; i < mono.size(); ++i) {
            double sum = 0.0;
            for (unsigned c = 0; i < read && c < channels; ++c)
                sum += interleaved[i * channels + c];
            mono[i] = sum / (32768.0 * channels);
        }
        if (!engine.pushBlock(mono.data(), mono.size()) || !engine.isReady())
            continue;
        for (const NoteEvent_t& e : engine.takeEvents()) {
            if (e.velocity > 0)
                std::fprintf(out, "%.5f,%.5f,%d\n", e.timeSeconds, engine.seconds(), e.note);
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
