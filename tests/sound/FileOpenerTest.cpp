#include "SoundFiles.h"

#include "decode/SndfileOpener.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

namespace dravik {
namespace {

using test::TemporaryFolder;
using test::wavHeader;
using test::writeBytes;
using test::writeTone;

std::vector<std::int16_t> readAll(IAudioDecoder& decoder)
{
    const AudioFormat_t format = decoder.format();
    std::vector<std::int16_t> samples(4096 * format.channels);
    std::vector<std::int16_t> all;
    while (const std::uint64_t got = decoder.read(samples.data(), 4096))
        all.insert(all.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(got * format.channels));
    return all;
}

TEST(FileOpener, DecodesWavFlacAndOggVorbis)
{
    const TemporaryFolder folder("opener-formats");
    for (const char* name : {"tone.wav", "tone.flac", "tone.ogg"}) {
        const std::string path = folder / name;
        ASSERT_TRUE(writeTone(path, 44100, 1, 1.0, {440.0}));
        std::string error;
        const std::unique_ptr<IAudioDecoder> decoder = SndfileOpener().open(path, error);
        ASSERT_NE(decoder, nullptr) << name << ": " << error;
        EXPECT_EQ(decoder->format().channels, 1u) << name;
        EXPECT_EQ(decoder->format().sampleRate, 44100u) << name;
        const std::vector<std::int16_t> samples = readAll(*decoder);
        EXPECT_NEAR(static_cast<double>(samples.size()), 44100.0, 1024.0) << name;
        const auto loudest = *std::max_element(samples.begin(), samples.end());
        EXPECT_NEAR(loudest, 16384, 800) << name;
    }
}

TEST(FileOpener, KeepsStereoChannelsApartAndSeeks)
{
    const TemporaryFolder folder("opener-stereo");
    const std::string path = folder / "stereo48k.flac";
    ASSERT_TRUE(writeTone(path, 48000, 2, 1.0, {1000.0}, 0.5, false));
    std::string error;
    const std::unique_ptr<IAudioDecoder> decoder = SndfileOpener().open(path, error);
    ASSERT_NE(decoder, nullptr) << error;
    EXPECT_EQ(decoder->format().frames, 48000u);
    decoder->seek(12);
    std::int16_t frames[8];
    ASSERT_EQ(decoder->read(frames, 4), 4u);
    // Frame 12 of a 1 kHz sine at 48 kHz is at 90 degrees: the crest, on the left only.
    EXPECT_NEAR(frames[0], 16384, 2);
    for (int f = 0; f < 4; ++f)
        EXPECT_EQ(frames[2 * f + 1], 0);
}

struct BadFile {
    const char* name;
    std::function<std::string(const TemporaryFolder&)> make; // returns the path to open
    const char* says;
};

std::string withBytes(const TemporaryFolder& folder, const char* name, const std::vector<std::uint8_t>& bytes)
{
    writeBytes(folder / name, bytes);
    return folder / name;
}

TEST(FileOpener, BadFilesGetAOneLineReason)
{
    const TemporaryFolder folder("opener-bad");
    std::vector<std::uint8_t> tone;
    {
        ASSERT_TRUE(writeTone(folder / "good.wav", 44100, 1, 0.1, {440.0}));
        std::ifstream in(folder / "good.wav", std::ios::binary);
        tone.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::uint8_t> corrupt = tone;
    std::fill(corrupt.begin() + 12, corrupt.begin() + 36, 0xEE);
    const std::vector<std::uint8_t> truncated(tone.begin(), tone.begin() + 20);
    const std::string text = "ID3 this is no sound file at all, just some text bytes.";
    std::vector<std::uint8_t> noChannels = wavHeader(0, 44100, 16, 400);
    noChannels.resize(noChannels.size() + 400);
    std::vector<std::uint8_t> noRate = wavHeader(1, 0, 16, 400);
    noRate.resize(noRate.size() + 400);

    const BadFile cases[] = {
        {"missing", [](const TemporaryFolder& f) { return f / "nothing-here.wav"; }, "no such file"},
        {"folder",
         [](const TemporaryFolder& f) {
             std::filesystem::create_directory(f / "music.wav");
             return f / "music.wav";
         },
         "is a folder"},
        {"empty", [](const TemporaryFolder& f) { return withBytes(f, "empty.wav", {}); }, "the file is empty"},
        {"truncated header", [&](const TemporaryFolder& f) { return withBytes(f, "cut.wav", truncated); },
         "header is damaged"},
        {"corrupt header", [&](const TemporaryFolder& f) { return withBytes(f, "corrupt.wav", corrupt); },
         "header is damaged"},
        {"unsupported format",
         [&](const TemporaryFolder& f) {
             return withBytes(f, "song.mp3", std::vector<std::uint8_t>(text.begin(), text.end()));
         },
         "not a WAV, AIFF, FLAC, Ogg Vorbis, Opus or MP3 file"},
        {"0 channels", [&](const TemporaryFolder& f) { return withBytes(f, "mute.wav", noChannels); },
         "header is damaged"},
        {"0 Hz", [&](const TemporaryFolder& f) { return withBytes(f, "still.wav", noRate); }, "header is damaged"},
        {"AAC in MP4",
         [&](const TemporaryFolder& f) {
             std::vector<std::uint8_t> mp4{0, 0, 0, 32, 'f', 't', 'y', 'p', 'M', '4', 'A', ' '};
             mp4.resize(64);
             return withBytes(f, "song.m4a", mp4);
         },
         "AAC/M4A (MP4) files cannot be read"},
        {"FIFO",
         [](const TemporaryFolder& f) {
             ::mkfifo((f / "pipe.wav").c_str(), 0600);
             return f / "pipe.wav";
         },
         "not a regular file"},
        {"device", [](const TemporaryFolder&) { return std::string("/dev/zero"); }, "not a regular file"},
        {"no name", [](const TemporaryFolder&) { return std::string(); }, "no file name given"},
    };
    for (const BadFile& c : cases) {
        const std::string path = c.make(folder);
        std::string error;
        EXPECT_EQ(SndfileOpener().open(path, error), nullptr) << c.name;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.name;
    }
}

TEST(FileOpener, AFileShorterThanItsHeaderKeepsTheLengthRead)
{
    const TemporaryFolder folder("opener-short");
    // A WAV header stating 2^31 mono 16-bit frames over 1 KB of samples.
    std::vector<std::uint8_t> bytes = wavHeader(1, 44100, 16, 0xFFFFFFFEu);
    bytes.resize(bytes.size() + 1024, 0x10);
    writeBytes(folder / "short.wav", bytes);
    std::string error;
    const std::unique_ptr<IAudioDecoder> wav = SndfileOpener().open(folder / "short.wav", error);
    ASSERT_NE(wav, nullptr) << error;
    EXPECT_TRUE(wav->format().shorterThanHeader);
    EXPECT_EQ(wav->format().frames, 512u);
    EXPECT_EQ(readAll(*wav).size(), 512u);

    // An AIFF cut in half is found short at once; a WAV whose RIFF size alone is wrong is whole.
    ASSERT_TRUE(std::system(("sox -n -r 8000 -b 16 -c 1 " + folder / "whole.aiff" + " synth 1 sine 440").c_str()) == 0);
    std::vector<std::uint8_t> aiff;
    {
        std::ifstream in(folder / "whole.aiff", std::ios::binary);
        aiff.assign(std::istreambuf_iterator<char>(in), {});
    }
    aiff.resize(aiff.size() / 2);
    writeBytes(folder / "cut.aiff", aiff);
    const std::unique_ptr<IAudioDecoder> cutAiff = SndfileOpener().open(folder / "cut.aiff", error);
    ASSERT_NE(cutAiff, nullptr) << error;
    EXPECT_TRUE(cutAiff->format().shorterThanHeader);
    EXPECT_NEAR(static_cast<double>(cutAiff->format().frames), 4000.0, 50.0);
    std::vector<std::uint8_t> riff = wavHeader(1, 8000, 16, 2000);
    riff.resize(riff.size() + 2000, 0x10);
    riff[4] = 0xF0; // the RIFF size states 5000 bytes more than the file holds
    riff[5] = 0x1B;
    writeBytes(folder / "riff.wav", riff);
    const std::unique_ptr<IAudioDecoder> riffWav = SndfileOpener().open(folder / "riff.wav", error);
    ASSERT_NE(riffWav, nullptr) << error;
    EXPECT_FALSE(riffWav->format().shorterThanHeader);
    EXPECT_EQ(riffWav->format().frames, 1000u);

    // A FLAC cut in half states its full length until a read reaches the cut.
    ASSERT_TRUE(writeTone(folder / "whole.flac", 44100, 1, 4.0, {440.0}));
    std::vector<std::uint8_t> flac;
    {
        std::ifstream in(folder / "whole.flac", std::ios::binary);
        flac.assign(std::istreambuf_iterator<char>(in), {});
    }
    flac.resize(flac.size() / 2);
    writeBytes(folder / "cut.flac", flac);
    const std::unique_ptr<IAudioDecoder> cut = SndfileOpener().open(folder / "cut.flac", error);
    ASSERT_NE(cut, nullptr) << error;
    EXPECT_EQ(cut->format().frames, 4u * 44100u);
    const std::size_t read = readAll(*cut).size();
    EXPECT_TRUE(cut->format().shorterThanHeader);
    EXPECT_EQ(cut->format().frames, read);
    EXPECT_NEAR(static_cast<double>(read), 2.0 * 44100.0, 0.3 * 44100.0);

    // Seeking past the cut finds the readable end, and the file still reads from the start after.
    const std::unique_ptr<IAudioDecoder> sought = SndfileOpener().open(folder / "cut.flac", error);
    ASSERT_NE(sought, nullptr) << error;
    sought->seek(3 * 44100);
    EXPECT_TRUE(sought->format().shorterThanHeader);
    EXPECT_NEAR(static_cast<double>(sought->format().frames), static_cast<double>(read), 8192.0);
    std::int16_t frames[64];
    EXPECT_LE(sought->read(frames, 64), 64u);
    sought->seek(0);
    EXPECT_NEAR(static_cast<double>(readAll(*sought).size()), static_cast<double>(read), 8192.0);

    // A whole file is not short.
    const std::unique_ptr<IAudioDecoder> whole = SndfileOpener().open(folder / "whole.flac", error);
    ASSERT_NE(whole, nullptr) << error;
    readAll(*whole);
    EXPECT_FALSE(whole->format().shorterThanHeader);
    EXPECT_EQ(whole->format().frames, 4u * 44100u);
}

TEST(FileOpener, UnreadableFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const TemporaryFolder folder("opener-unreadable");
    ASSERT_TRUE(writeTone(folder / "locked.wav", 44100, 1, 0.1, {440.0}));
    ::chmod((folder / "locked.wav").c_str(), 0);
    std::string error;
    EXPECT_EQ(SndfileOpener().open(folder / "locked.wav", error), nullptr);
    EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
}

TEST(FileOpener, LongOggVorbisKeepsItsLength)
{
    // Noise encodes to more than the first megabyte SFML's probe sees; the
    // Ogg reader finds the length at the end of the file.
    const TemporaryFolder folder("opener-ogg");
    const std::string path = folder / "noise.ogg";
    {
        sf::OutputSoundFile file;
        ASSERT_TRUE(file.openFromFile(path, 44100, 2));
        std::vector<sf::Int16> noise(2 * 44100);
        unsigned state = 1;
        for (int second = 0; second < 80; ++second) {
            for (sf::Int16& sample : noise) {
                state = state * 1664525u + 1013904223u;
                sample = static_cast<sf::Int16>(state >> 17);
            }
            file.write(noise.data(), noise.size());
        }
    }
    ASSERT_GT(std::filesystem::file_size(path), 1u << 20);
    std::string error;
    const std::unique_ptr<IAudioDecoder> decoder = SndfileOpener().open(path, error);
    ASSERT_NE(decoder, nullptr) << error;
    EXPECT_EQ(decoder->format().frames, 80u * 44100u);
    decoder->seek(decoder->format().frames - 100);
    std::int16_t frames[2 * 256];
    EXPECT_EQ(decoder->read(frames, 256), 100u);
}

TEST(FileOpener, SixHourFileOpensFromItsHeader)
{
    // 16-bit stereo at 44.1 kHz for six hours: 3.8 GB, written sparse.
    const TemporaryFolder folder("opener-long");
    const std::uint32_t bytes = 6u * 3600u * 44100u * 4u;
    const std::string path = folder / "six-hours.wav";
    writeBytes(path, wavHeader(2, 44100, 16, bytes));
    std::filesystem::resize_file(path, 44 + std::uint64_t{bytes});
    std::string error;
    const std::unique_ptr<IAudioDecoder> decoder = SndfileOpener().open(path, error);
    ASSERT_NE(decoder, nullptr) << error;
    EXPECT_EQ(decoder->format().frames, std::uint64_t{6} * 3600 * 44100);
    decoder->seek(decoder->format().frames - 10);
    std::int16_t frames[64];
    EXPECT_EQ(decoder->read(frames, 32), 10u);
}

} // namespace
} // namespace dravik
