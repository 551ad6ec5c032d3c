// dravik-latency: plays a sound file through the tracker block by block, as
// the program's scene feeds it, and writes for every note-on its stamped onset
// and the time of the last sample analysed when it went out:
// onset_s,emitted_s,note. The scene hands the analysis a hop of samples at a
// time and takes the notes once the hop is in; with --every-block the notes
// are taken after every block, as they would go out if the samples reached
// the analysis as they are heard.

#include "analysis/FFTParams.h"
#include "engine/AnalysisEngine.h"

#include <SFML/Audio/InputSoundFile.hpp>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    using namespace dravik;
    const bool everyBlock = argc == 4 && std::strcmp(argv[1], "--every-block") == 0;
    if (argc != 3 && !everyBlock) {
        std::fprintf(stderr, "usage: dravik-latency [--every-block] IN.wav OUT.csv\n");
        return 2;
    }
    const char* in = argv[argc - 2];
    const char* outPath = argv[argc - 1];
    sf::InputSoundFile file;
    if (!file.openFromFile(in) || file.getChannelCount() == 0) {
        std::fprintf(stderr, "dravik-latency: cannot read %s\n", in);
        return 1;
    }
    std::FILE* out = std::fopen(outPath, "w");
    if (out == nullptr) {
        std::fprintf(stderr, "dravik-latency: cannot write %s\n", outPath);
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
        if (!engine.pushBlock(mono.data(), mono.size()) || !(everyBlock || engine.isReady()))
            continue;
        for (const NoteEvent_t& e : engine.takeEvents()) {
            if (e.velocity > 0)
                std::fprintf(out, "%.5f,%.5f,%d\n", e.timeSeconds, engine.seconds(), e.note);
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
