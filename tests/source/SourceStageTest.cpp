#include "SourceFakes.h"

#include "source/ClockOutput.h"
#include "source/SourceStage.h"
#include "source/TimeText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace dravik {
namespace {

using test::ScriptedCapture;
using test::ScriptedDecoder;

// States 2 s at 8 kHz but holds 0.5 s, and finds so when it reads to the cut,
// as a FLAC file cut short does.
class CutDecoder final : public IAudioDecoder {
public:
    AudioFormat_t format() const override { return info; }
    std::uint64_t read(std::int16_t* interleaved, std::uint64_t frames) override
    {
        const std::uint64_t n = std::min(frames, held - std::min(held, at));
        std::fill(interleaved, interleaved + n, std::int16_t{0});
        at += n;
        if (n < frames && info.frames > held) {
            info.frames = held;
            info.shorterThanHeader = true;
        }
        return n;
    }
    void seek(std::uint64_t frame) override { at = std::min(frame, info.frames); }

private:
    AudioFormat_t info{1, 8000, 16000};
    std::uint64_t held = 4000;
    std::uint64_t at = 0;
};

// Opens "tone.wav" (48 kHz stereo, 10 s), "mono.wav" (22050 Hz) and "cut.flac"
// (shorter than its header); everything else fails.
class FakeOpener final : public IFileOpener {
public:
    std::unique_ptr<IAudioDecoder> open(const std::string& path, std::string& error) override
    {
        if (path == "cut.flac")
            return std::make_unique<CutDecoder>();
        const auto silence = [](std::uint64_t, std::uint32_t) { return std::int16_t{0}; };
        if (path == "tone.wav")
            return std::make_unique<ScriptedDecoder>(AudioFormat_t{2, 48000, 480000}, silence);
        if (path == "mono.wav")
            return std::make_unique<ScriptedDecoder>(AudioFormat_t{1, 22050, 22050}, silence);
        error = path + ": no such file";
        return nullptr;
    }
};

struct Stage {
    explicit Stage(bool withCaptureDevices = true)
    {
        auto device = std::make_unique<ScriptedCapture>();
        if (!withCaptureDevices)
            device->names.clear();
        capture = device.get();
        stage = std::make_unique<SourceStage>(std::make_unique<FakeOpener>(), std::make_unique<ClockOutput>(),
                                              std::move(device), errors);
    }
    std::ostringstream errors;
    ScriptedCapture* capture;
    std::unique_ptr<SourceStage> stage;
};

TEST(SourceStage, GeneratorsByDefault)
{
    Stage s;
    EXPECT_EQ(s.stage->active(), SourceKind::Generators);
    EXPECT_EQ(&s.stage->activeSource(), &s.stage->generators());
    EXPECT_DOUBLE_EQ(s.stage->sampleRate(), 44100.0);
    // The generators' rate is the analysis's while they are analysed.
    const SourceChange_t change = s.stage->setGeneratorRate(32000.0);
    EXPECT_TRUE(change.done && change.analysisChanged);
    EXPECT_DOUBLE_EQ(change.sampleRate, 32000.0);
    EXPECT_FALSE(s.stage->setGeneratorRate(0.0));
    EXPECT_DOUBLE_EQ(s.stage->sampleRate(), 32000.0);
}

TEST(SourceStage, OpeningAFileSwitchesToItsRate)
{
    Stage s;
    const SourceChange_t opened = s.stage->openFile("tone.wav");
    ASSERT_TRUE(opened);
    EXPECT_EQ(s.stage->active(), SourceKind::File);
    EXPECT_TRUE(s.stage->file().isPlaying());
    EXPECT_DOUBLE_EQ(s.stage->sampleRate(), 48000.0);
    EXPECT_TRUE(opened.analysisChanged);
    EXPECT_DOUBLE_EQ(opened.sampleRate, 48000.0);
    // Choosing the file again changes nothing the analysis hears; the
    // generators' rate is theirs alone while the file plays.
    EXPECT_FALSE(s.stage->select(SourceKind::File).analysisChanged);
    EXPECT_FALSE(s.stage->setGeneratorRate(8000.0).analysisChanged);
    ASSERT_TRUE(s.stage->openFile("mono.wav"));
    EXPECT_DOUBLE_EQ(s.stage->sampleRate(), 22050.0);
    EXPECT_EQ(s.stage->recentFiles().paths(), (std::vector<std::string>{"mono.wav", "tone.wav"}));
}

TEST(SourceStage, AFailedOpenKeepsWhatWasPlaying)
{
    Stage s;
    ASSERT_TRUE(s.stage->openFile("tone.wav"));
    const SourceChange_t failed = s.stage->openFile("missing.wav");
    EXPECT_FALSE(failed);
    EXPECT_FALSE(failed.analysisChanged);
    EXPECT_EQ(s.stage->message(), "missing.wav: no such file");
    EXPECT_EQ(s.errors.str(), "dravik: missing.wav: no such file\n");
    EXPECT_EQ(s.stage->filePath(), "tone.wav");
    EXPECT_EQ(s.stage->triedPath(), "missing.wav");
    EXPECT_TRUE(s.stage->file().isPlaying());
}

TEST(SourceStage, TransportKeysPlayPauseAndSeek)
{
    Stage s;
    EXPECT_FALSE(s.stage->transportKey(TransportKey::PlayPause)); // the generators have no transport
    ASSERT_TRUE(s.stage->openFile("tone.wav"));
    const auto play = [&](double seconds) {
        for (int frame = 0; frame < static_cast<int>(seconds * 60.0); ++frame)
            s.stage->update(1.0 / 60.0, true);
    };
    play(1.0);
    FileSource& file = s.stage->file();
    const struct {
        TransportKey key;
        bool playing;
        double position;
    } steps[] = {
        {TransportKey::PlayPause, false, 1.0}, {TransportKey::Forward, false, 6.0},
        {TransportKey::Forward, false, 10.0}, // clamped to the end
        {TransportKey::Back, false, 5.0},      {TransportKey::Back, false, 0.0},
        {TransportKey::Back, false, 0.0}, // clamped to the start
        {TransportKey::PlayPause, true, 0.0},
    };
    for (const auto& step : steps) {
        EXPECT_TRUE(s.stage->transportKey(step.key));
        s.stage->update(0.0, true);
        EXPECT_EQ(file.isPlaying(), step.playing) << static_cast<int>(step.key);
        EXPECT_NEAR(file.position(), step.position, 0.05) << static_cast<int>(step.key);
    }
    // Played to the end, Space starts again from the beginning; so does Space
    // after seeking to the end while paused.
    play(11.0);
    ASSERT_FALSE(file.isPlaying());
    s.stage->transportKey(TransportKey::PlayPause);
    play(0.5);
    EXPECT_TRUE(file.isPlaying());
    EXPECT_NEAR(file.position(), 0.5, 0.1);
    s.stage->transportKey(TransportKey::PlayPause);
    s.stage->transportKey(TransportKey::Forward);
    s.stage->transportKey(TransportKey::Forward);
    s.stage->transportKey(TransportKey::PlayPause);
    play(0.5);
    EXPECT_TRUE(file.isPlaying());
    EXPECT_NEAR(file.position(), 0.5, 0.1);
}

TEST(SourceStage, AShortFileIsReportedWithTheLengthRead)
{
    Stage s;
    ASSERT_TRUE(s.stage->openFile("cut.flac"));
    EXPECT_DOUBLE_EQ(s.stage->file().duration(), 2.0);
    for (int frame = 0; frame < 60; ++frame)
        s.stage->update(1.0 / 60.0, true);
    EXPECT_DOUBLE_EQ(s.stage->file().duration(), 0.5);
    const std::string said = "cut.flac: the file is shorter than its header states; 0:00.5 (4000 frames) can be read";
    EXPECT_EQ(s.stage->message(SourceKind::File), said);
    EXPECT_EQ(s.errors.str(), "dravik: " + said + "\n"); // once
}

TEST(SourceStage, SwitchingPausesTheFileAndResumesIt)
{
    Stage s;
    ASSERT_TRUE(s.stage->openFile("tone.wav"));
    ASSERT_TRUE(s.stage->select(SourceKind::Input));
    EXPECT_FALSE(s.stage->file().isPlaying());
    EXPECT_EQ(s.capture->started, "Built-in Microphone");
    ASSERT_TRUE(s.stage->select(SourceKind::Generators));
    EXPECT_EQ(s.capture->stops, 1);
    ASSERT_TRUE(s.stage->select(SourceKind::File));
    EXPECT_TRUE(s.stage->file().isPlaying());
}

TEST(SourceStage, NoCaptureDeviceKeepsTheSourceItHad)
{
    Stage s(false);
    EXPECT_FALSE(s.stage->select(SourceKind::Input));
    EXPECT_EQ(s.stage->active(), SourceKind::Generators);
    EXPECT_EQ(s.stage->message(), "no sound capture device found");
    EXPECT_EQ(s.errors.str(), "dravik: no sound capture device found\n");
}

TEST(SourceStage, ACaptureErrorStaysWithTheInputAndTheFileIsNeverPlayingUnseen)
{
    Stage s(false);
    ASSERT_TRUE(s.stage->openFile("tone.wav"));
    EXPECT_FALSE(s.stage->select(SourceKind::Input));
    // The input panel shows, so the file it hides is paused ...
    EXPECT_EQ(s.stage->shownPanel(), SourceKind::Input);
    EXPECT_FALSE(s.stage->file().isPlaying());
    EXPECT_EQ(s.stage->message(SourceKind::Input), "no sound capture device found");
    // ... and back in the file panel the capture error is not shown, and the file plays on.
    EXPECT_TRUE(s.stage->select(SourceKind::File));
    EXPECT_TRUE(s.stage->message(SourceKind::File).empty());
    EXPECT_TRUE(s.stage->message().empty());
    EXPECT_TRUE(s.stage->file().isPlaying());
    // A device that appears clears the error once capture starts.
    s.capture->names = {"USB Headset"};
    EXPECT_TRUE(s.stage->select(SourceKind::Input));
    EXPECT_TRUE(s.stage->message(SourceKind::Input).empty());
    EXPECT_FALSE(s.stage->file().isPlaying());
}

TEST(SourceStage, ADisappearingDeviceIsReported)
{
    Stage s;
    ASSERT_TRUE(s.stage->select(SourceKind::Input));
    for (int frame = 0; frame < 70; ++frame)
        s.stage->update(1.0 / 60.0, true);
    EXPECT_FALSE(s.stage->input().isRunning());
    EXPECT_NE(s.stage->message().find("stopped delivering sound"), std::string::npos);
    EXPECT_NE(s.errors.str().find("stopped delivering sound"), std::string::npos);
}

TEST(TimeText, MinutesSecondsAndTenths)
{
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0.0, "0:00.0"},    {3.56, "0:03.5"},      {61.25, "1:01.2"}, {599.99, "9:59.9"},
                 {600.0, "10:00.0"}, {21600.0, "360:00.0"}, {-2.0, "0:00.0"},  {std::nan(""), "0:00.0"}};
    for (const auto& c : cases) {
        char text[32];
        formatMinutes(c.seconds, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.seconds;
    }
}

} // namespace
} // namespace dravik
