#include "SoundFiles.h"

#include "analysis/FFTWRingBuffer.h"
#include "decode/SndfileOpener.h"
#include "mapping/GaussianCentsMapper.h"
#include "source/FileSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace dravik {
namespace {

using test::TemporaryFolder;
using test::writeTone;

// A file played for a second (without a device: by the frame clock), its last
// spectrum mapped with the analysis rate set to the file's own.
struct Analysed {
    double peakHz = 0.0;
    double binHz = 0.0;
    std::vector<NoteEnergy> notes; // strongest first
};

Analysed analyseFile(const std::string& path)
{
    std::string error;
    std::unique_ptr<IAudioDecoder> decoder = SndfileOpener().open(path, error);
    EXPECT_NE(decoder, nullptr) << error;
    if (decoder == nullptr)
        return {};
    FileSource source(nullptr);
    source.load(std::move(decoder));
    FFTParams_t params;
    FFTWRingBuffer analyser(params);
    GaussianCentsMapper mapper;
    mapper.params().sampleRate = source.sampleRate();
    mapper.params().fftSize = params.windowSize;

    Analysed result;
    result.binHz = source.sampleRate() / params.windowSize;
    for (int frame = 0; frame < 60; ++frame) {
        source.update(1.0 / 60.0);
        if (!source.feedAnalyser(analyser, params.blockSize, params.windowSize))
            continue;
        const MagnitudeSpectrum spectrum = analyser.compute();
        const auto peak =
            std::max_element(spectrum.data, spectrum.data + spectrum.count,
                             [](const SpectrumBin& a, const SpectrumBin& b) { return a.power < b.power; });
        result.peakHz = static_cast<double>(peak - spectrum.data) * result.binHz;
        const NoteEnergyView notes = mapper.map(spectrum);
        result.notes.assign(notes.data, notes.data + notes.count);
    }
    std::sort(result.notes.begin(), result.notes.end(),
              [](const NoteEnergy& a, const NoteEnergy& b) { return a.energy > b.energy; });
    return result;
}

TEST(FileAnalysis, AxisBinSizeAndNotesAgreeAtEveryRate)
{
    const TemporaryFolder folder("analysis-rates");
    for (const unsigned rate : {22050u, 44100u, 48000u, 96000u}) {
        const std::string path = folder / ("a440-" + std::to_string(rate) + ".wav");
        ASSERT_TRUE(writeTone(path, rate, 1, 2.0, {440.0}));
        const Analysed a = analyseFile(path);
        EXPECT_DOUBLE_EQ(a.binHz, rate / 4096.0) << rate;
        EXPECT_NEAR(a.peakHz, 440.0, a.binHz) << rate;
        ASSERT_FALSE(a.notes.empty()) << rate;
        EXPECT_EQ(a.notes.front().note, 69) << rate;
    }
}

// Every format a user is likely to have, made by the tools Debian ships for
// them, played through the file source: the spectrum peaks at the tone.
TEST(FileAnalysis, EveryFormatReadFindsTheTone)
{
    const TemporaryFolder folder("analysis-formats");
    const std::string wav = folder / "tone.wav";
    const std::string make = "sox -n -r 48000 -c 1 -b 16 " + wav + " synth 2 sine 440 vol 0.5";
    ASSERT_EQ(std::system(make.c_str()), 0) << "sox is needed: scripts/install-deps.sh installs it";
    const struct {
        const char* name;
        const char* command; // %s: the 16-bit WAV, %o: the file to make
    } formats[] = {
        {"tone.wav", nullptr},
        {"float32.wav", "sox %s -e floating-point -b 32 %o"},
        {"float64.wav", "sox %s -e floating-point -b 64 %o"},
        {"tone.aiff", "sox %s %o"},
        {"tone.flac", "sox %s %o"},
        {"tone.ogg", "sox %s %o"},
        {"tone.opus", "opusenc --quiet %s %o"},
        {"tone.mp3", "lame --quiet %s %o"},
    };
    for (const auto& f : formats) {
        const std::string path = folder / f.name;
        if (f.command != nullptr) {
            std::string command = f.command;
            command.replace(command.find("%s"), 2, wav);
            command.replace(command.find("%o"), 2, path);
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
        }
        const Analysed a = analyseFile(path);
        EXPECT_NEAR(a.peakHz, 440.0, a.binHz) << f.name;
        ASSERT_FALSE(a.notes.empty()) << f.name;
        EXPECT_EQ(a.notes.front().note, 69) << f.name;
        // Float files keep their level: the 0.5 sine's crest, not a scaled or clipped one.
        std::string error;
        const std::unique_ptr<IAudioDecoder> decoder = SndfileOpener().open(path, error);
        ASSERT_NE(decoder, nullptr) << error;
        std::vector<std::int16_t> samples(4096 * decoder->format().channels);
        int loudest = 0;
        while (const std::uint64_t got = decoder->read(samples.data(), 4096)) {
            for (std::uint64_t i = 0; i < got * decoder->format().channels; ++i)
                loudest = std::max(loudest, std::abs(static_cast<int>(samples[i])));
        }
        EXPECT_NEAR(loudest, 16384, 2000) << f.name;
        // Read to its end and sought to its end (Right at the end), a whole file is not short.
        const std::uint64_t length = decoder->format().frames;
        decoder->seek(length);
        EXPECT_EQ(decoder->read(samples.data(), 16), 0u) << f.name;
        EXPECT_FALSE(decoder->format().shorterThanHeader) << f.name;
        EXPECT_EQ(decoder->format().frames, length) << f.name;
    }
}

TEST(FileAnalysis, ChordStereoAndSilence)
{
    const TemporaryFolder folder("analysis-content");
    // C4, E4, G4 in a 48 kHz stereo FLAC.
    const std::string chord = folder / "chord.flac";
    ASSERT_TRUE(writeTone(chord, 48000, 2, 2.0, {261.6256, 329.6276, 391.9954}, 0.25));
    const Analysed c = analyseFile(chord);
    ASSERT_GE(c.notes.size(), 3u);
    std::vector<int> top{c.notes[0].note, c.notes[1].note, c.notes[2].note};
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<int>{60, 64, 67}));

    const std::string silence = folder / "silence.wav";
    ASSERT_TRUE(writeTone(silence, 44100, 1, 2.0, {}));
    const Analysed s = analyseFile(silence);
    for (const NoteEnergy& n : s.notes)
        EXPECT_LT(n.energy, 1e-12) << int(n.note);
}

} // namespace
} // namespace dravik
