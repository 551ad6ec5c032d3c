#include "SourceFakes.h"

#include "source/ClockOutput.h"
#include "source/SourceStage.h"
#include "source/TimeText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace dravik {
namespace {

using test::ScriptedCapture;
using test::ScriptedDecoder;

// Opens "tone.wav" (48 kHz stereo) and "mono.wav" (22050 Hz); everything else fails.
class FakeOpener final : public IFileOpener {
public:
    std::unique_ptr<IAudioDecoder> open(const std::string& path, std::string& error) override
    {
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
    EXPECT_EQ(s.stage->realTimeSource(), nullptr);
    EXPECT_DOUBLE_EQ(s.stage->sampleRate(32000.0), 32000.0);
}

TEST(SourceStage, OpeningAFileSwitchesToItsRate)
{
    Stage s;
    ASSERT_TRUE(s.stage->openFile("tone.wav"));
    EXPECT_EQ(s.stage->active(), SourceKind::File);
    EXPECT_TRUE(s.stage->file().isPlaying());
    EXPECT_DOUBLE_EQ(s.stage->sampleRate(44100.0), 48000.0);
    EXPECT_TRUE(s.stage->takeAnalysisChange());
    EXPECT_FALSE(s.stage->takeAnalysisChange());
    ASSERT_TRUE(s.stage->openFile("mono.wav"));
    EXPECT_DOUBLE_EQ(s.stage->sampleRate(44100.0), 22050.0);
    EXPECT_EQ(s.stage->recentFiles().paths(), (std::vector<std::string>{"mono.wav", "tone.wav"}));
}

TEST(SourceStage, AFailedOpenKeepsWhatWasPlaying)
{
    Stage s;
    ASSERT_TRUE(s.stage->openFile("tone.wav"));
    s.stage->takeAnalysisChange();
    EXPECT_FALSE(s.stage->openFile("missing.wav"));
    EXPECT_EQ(s.stage->message(), "missing.wav: no such file");
    EXPECT_EQ(s.errors.str(), "dravik: missing.wav: no such file\n");
    EXPECT_EQ(s.stage->filePath(), "tone.wav");
    EXPECT_TRUE(s.stage->file().isPlaying());
    EXPECT_FALSE(s.stage->takeAnalysisChange());
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
