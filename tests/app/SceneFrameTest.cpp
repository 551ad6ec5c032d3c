#include "SceneOnWindow.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>
#include <smf.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dravik {
namespace {

class SceneFrameTest : public SceneOnWindow {
protected:
    SceneFrameTest()
        : SceneOnWindow("frames")
    {
    }

    std::size_t curvePoints() const { return scene->spectrumDisplay().getSpectrumLine().getVertexCount(); }
};

TEST_F(SceneFrameTest, StartsSilentWithNothingAnalysed)
{
    for (int i = 0; i < 3; ++i)
        frame();
    EXPECT_EQ(curvePoints(), 0u);
    EXPECT_TRUE(scene->noteDisplay().getActiveNotes().empty());
    EXPECT_TRUE(scene->isMuted());
    EXPECT_FALSE(scene->isPlaying());
    ASSERT_EQ(scene->sourceStage().generators().entries().size(), 1u);
    EXPECT_EQ(scene->sourceStage().generators().entries()[0].name, "Audio Generator 1");
}

TEST_F(SceneFrameTest, AnEnabledGeneratorIsAnalysedInTheSameFrameAndNotesFollow)
{
    scene->sourceStage().generators().setEnabled(0, true);
    frame();
    // Bins 3 to 519: MIDI notes 24 to 113 at 44100 Hz and 4096 points.
    EXPECT_EQ(curvePoints(), 517u);

    // Notes are taken at the first analysis after half a second of frames.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (scene->noteDisplay().getActiveNotes().empty() && std::chrono::steady_clock::now() < deadline)
        frame();
    EXPECT_EQ(scene->noteDisplay().getActiveNotes().size(), 102u);
}

TEST_F(SceneFrameTest, TheTrackerHearsTheGeneratorsNoteAndTheDisplayMarksIt)
{
    // The first generator sounds 440 Hz; its blocks reach both analyses.
    scene->sourceStage().generators().setEnabled(0, true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (scene->analysis().activeNotes().size() == 0 && std::chrono::steady_clock::now() < deadline)
        frame();
    ASSERT_EQ(scene->analysis().activeNotes().size(), 1u);
    EXPECT_EQ(scene->analysis().activeNotes()[0].note, 69u);
    EXPECT_TRUE(scene->noteDisplay().isTracked(69));
    ASSERT_NE(scene->noteDisplay().getTrackedName(69), nullptr);
    EXPECT_EQ(scene->noteDisplay().getTrackedName(69)->getString().toAnsiString(), "A4");

    // A new window size starts the analysis afresh: the note ends at once.
    selectWindowSize(1);
    EXPECT_EQ(scene->analysis().activeNotes().size(), 0u);
}

TEST_F(SceneFrameTest, RecordAndStopWriteTheTrackedNotesToAMidiFile)
{
    EXPECT_NE(defaultRecordingPath().find("dravik-"), std::string::npos);
    scene->noteOutputs().stopRecording();
    EXPECT_FALSE(scene->noteOutputs().recordingMessage().empty()); // nothing was recording

    scene->sourceStage().generators().setEnabled(0, true);
    scene->noteOutputs().startRecording();
    EXPECT_TRUE(scene->noteOutputs().isRecording());
    const std::string path = (config->path() / "take.mid").string();
    scene->noteOutputs().setRecordingPath(path);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (scene->analysis().activeNotes().size() == 0 && std::chrono::steady_clock::now() < deadline)
        frame();
    scene->noteOutputs().stopRecording();
    EXPECT_FALSE(scene->noteOutputs().isRecording());
    EXPECT_EQ(scene->noteOutputs().recordingMessage(), "Saved " + path);

    // Note 69 starts and, still sounding at Stop, ends.
    std::vector<int> statuses;
    smf_t* smf = smf_load(path.c_str());
    ASSERT_NE(smf, nullptr);
    for (smf_event_t* e = smf_get_next_event(smf); e != nullptr; e = smf_get_next_event(smf)) {
        if (!smf_event_is_metadata(e) && e->midi_buffer_length == 3 && e->midi_buffer[1] == 69)
            statuses.push_back(e->midi_buffer[0] & 0xF0);
    }
    smf_delete(smf);
    EXPECT_EQ(statuses, (std::vector<int>{0x90, 0x80}));
}

class CollectingPort : public IMidiPort {
public:
    explicit CollectingPort(std::vector<std::vector<std::uint8_t>>& sent)
        : sent(sent)
    {
    }
    void send(const std::uint8_t* bytes, std::size_t count) override { sent.emplace_back(bytes, bytes + count); }
    std::vector<std::vector<std::uint8_t>>& sent;
};

TEST_F(SceneFrameTest, MidiOutSendsTheTrackedNoteOnItsChannelAndEndsIt)
{
    std::vector<std::vector<std::uint8_t>> sent;
    scene->noteOutputs().useMidiPort(std::make_unique<CollectingPort>(sent));
    scene->noteOutputs().setMidiChannel(3);
    scene->noteOutputs().setMidiOut(true);
    ASSERT_TRUE(scene->noteOutputs().isMidiOutOn());
    scene->sourceStage().generators().setEnabled(0, true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sent.empty() && std::chrono::steady_clock::now() < deadline)
        frame();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][0], 0x92);
    EXPECT_EQ(sent[0][1], 69);
    scene->noteOutputs().setMidiChannel(4); // ends the note on channel 3
    scene->noteOutputs().setMidiOut(false);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], (std::vector<std::uint8_t>{0x82, 69, 0}));
}

TEST_F(SceneFrameTest, AfterAQuietSpellTheFirstAnalysisRefreshesTheNotesAtOnce)
{
    // With nothing enabled nothing is analysed, but the refresh timer grows.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (scene->noteDisplay().getRefreshTimer() < 0.5f && std::chrono::steady_clock::now() < deadline)
        frame();
    ASSERT_GE(scene->noteDisplay().getRefreshTimer(), 0.5f);
    EXPECT_TRUE(scene->noteDisplay().getActiveNotes().empty());

    scene->sourceStage().generators().setEnabled(0, true);
    frame();
    EXPECT_EQ(scene->noteDisplay().getActiveNotes().size(), 102u);
}

TEST_F(SceneFrameTest, SoundStartsOnlyWhenUnmutedWithAGeneratorEnabled)
{
    scene->setMuted(false);
    frame();
    EXPECT_FALSE(scene->isPlaying()) << "nothing enabled, nothing to hear";

    scene->sourceStage().generators().setEnabled(0, true);
    scene->setMuted(true);
    frame();
    EXPECT_FALSE(scene->isPlaying()) << "muted";

    scene->setMuted(false);
    frame();
    EXPECT_TRUE(scene->isPlaying());
    // Muting again fades the running output to silence; it is not restarted.
    scene->setMuted(true);
    frame();
    EXPECT_TRUE(scene->isPlaying());
}

TEST_F(SceneFrameTest, MapperSwitchResetsSettingsAndCarriesTheWindowSize)
{
    selectWindowSize(2);
    EXPECT_EQ(scene->analyserSettings().windowSize, 16384u);
    EXPECT_EQ(scene->activeMapper().params()->fftSize, 16384u);
    EXPECT_EQ(scene->spectrumDisplay().fftSize, 16384u);

    scene->selectMapper(MapperType::HarmonicEnergy);
    auto& harmonic = static_cast<NoteEnergyParams_t&>(*scene->activeMapper().params());
    EXPECT_EQ(scene->activeMapper().type(), MapperType::HarmonicEnergy);
    EXPECT_EQ(harmonic.fftSize, 16384u);
    harmonic.harmonicCount = 11;

    // Choosing the active mapper again gives it back its defaults.
    scene->selectMapper(MapperType::HarmonicEnergy);
    const auto& fresh = static_cast<const NoteEnergyParams_t&>(*scene->activeMapper().params());
    EXPECT_EQ(fresh.harmonicCount, 6);
    EXPECT_EQ(fresh.fftSize, 16384u);
    EXPECT_EQ(fresh.sampleRate, 44100.0);
}

TEST_F(SceneFrameTest, ANewWindowSizeIsAnalysedInTheSameFrame)
{
    scene->sourceStage().generators().setEnabled(0, true);
    frame();
    selectWindowSize(6);
    frame();
    // 262144 points: bins 194 to 33215 cover notes 24 to 113.
    EXPECT_EQ(curvePoints(), 33022u);
}

TEST_F(SceneFrameTest, UnusableSampleRatesAreRefused)
{
    scene->sourceStage().generators().add();
    ASSERT_TRUE(scene->setSampleRate(22050.0));
    for (const GeneratorEntry& entry : scene->sourceStage().generators().entries())
        EXPECT_EQ(entry.oscillator.params()->sampleRate, 22050.0);

    const double inf = std::numeric_limits<double>::infinity();
    for (double rate : {0.0, -44100.0, inf, std::nan("")})
        EXPECT_FALSE(scene->setSampleRate(rate)) << rate;
    scene->sourceStage().generators().add();
    EXPECT_EQ(scene->sourceStage().generators().entries().back().oscillator.params()->sampleRate, 22050.0);
    EXPECT_EQ(scene->sourceStage().generators().entries().back().name, "Audio Generator 3");
}

// One sample rate names one frequency everywhere: the generators, the axis,
// the mapper and what is heard all follow the rate in the same operation.
TEST_F(SceneFrameTest, TheSampleRateAppliesToEveryDisplayAtOnce)
{
    scene->sourceStage().generators().setEnabled(0, true);
    frame();
    ASSERT_TRUE(scene->setSampleRate(22050.0));
    EXPECT_EQ(scene->sourceStage().generators().entries()[0].oscillator.params()->sampleRate, 22050.0);
    EXPECT_EQ(scene->activeMapper().params()->sampleRate, 22050.0);
    EXPECT_EQ(scene->spectrumDisplay().sampleRate, 22050.0);

    // A new mapper and a new analyser keep it.
    scene->selectMapper(MapperType::HarmonicEnergy);
    selectWindowSize(1);
    EXPECT_EQ(scene->activeMapper().params()->sampleRate, 22050.0);
    EXPECT_EQ(scene->spectrumDisplay().sampleRate, 22050.0);

    // 440 Hz is still note 69: its square hangs lowest.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (scene->noteDisplay().getRefreshTimer() < 0.5f && std::chrono::steady_clock::now() < deadline)
        frame();
    frame();
    std::uint32_t lowest = 0;
    float lowestY = -1.0f;
    for (const std::uint32_t note : scene->noteDisplay().getActiveNotes()) {
        const float y = scene->noteDisplay().getCell(note)->marker.getPosition().y;
        if (y > lowestY) {
            lowestY = y;
            lowest = note;
        }
    }
    EXPECT_EQ(lowest, 69u);
}

// The generator's 440 Hz read back from its spectrum, and what lies under the
// mouse mapped through the world view as it is panned and zoomed.
TEST_F(SceneFrameTest, ReadoutsFollowTheSpectrumAndTheWorldView)
{
    EXPECT_FALSE(scene->spectrumPeak().valid) << "nothing analysed yet";
    scene->sourceStage().generators().setEnabled(0, true);
    frame();
    ASSERT_TRUE(scene->spectrumPeak().valid);
    EXPECT_NEAR(scene->spectrumPeak().frequency, 440.0, 0.5);

    const auto event = [&](sf::Event::EventType type, int x, int y, sf::Mouse::Button button = sf::Mouse::Right) {
        sf::Event e{};
        e.type = type;
        if (type == sf::Event::MouseMoved)
            e.mouseMove = {x, y};
        else if (type == sf::Event::MouseWheelScrolled)
            e.mouseWheelScroll = {sf::Mouse::VerticalWheel, 1.0f, x, y};
        else
            e.mouseButton = {button, x, y};
        scene->handleEvent(*window, e);
    };
    // Pixel x 111 lies on bin 40.87 of the curve (bins 3 to 519 over x 20 to 1260): 440 Hz.
    event(sf::Event::MouseMoved, 111, 200);
    frame();
    const CursorReading_t onPeak = scene->cursorReading();
    ASSERT_TRUE(onPeak.overPlot);
    EXPECT_NEAR(onPeak.frequency, 440.0, 0.2);
    ASSERT_TRUE(onPeak.hasLevel);
    EXPECT_NEAR(onPeak.power, scene->spectrumPeak().power, 1e-12) << "the level of the peak's bin";

    // Dragged 100 pixels right: the plot's left edge is at pixel 120, the peak under pixel 211.
    event(sf::Event::MouseButtonPressed, 600, 600);
    event(sf::Event::MouseMoved, 700, 600);
    event(sf::Event::MouseButtonReleased, 700, 600);
    event(sf::Event::MouseMoved, 111, 200);
    frame();
    EXPECT_FALSE(scene->cursorReading().overPlot);
    event(sf::Event::MouseMoved, 211, 200);
    frame();
    EXPECT_NEAR(scene->cursorReading().frequency, onPeak.frequency, 1e-6);

    // Zoomed in about the cursor: the frequency under it stays, those beside it draw closer.
    event(sf::Event::MouseMoved, 311, 200);
    frame();
    const double spanBefore = scene->cursorReading().frequency - onPeak.frequency;
    event(sf::Event::MouseWheelScrolled, 211, 200);
    event(sf::Event::MouseMoved, 211, 200);
    frame();
    EXPECT_NEAR(scene->cursorReading().frequency, onPeak.frequency, 0.01);
    event(sf::Event::MouseMoved, 311, 200);
    frame();
    EXPECT_NEAR(scene->cursorReading().frequency - onPeak.frequency, spanBefore / 1.1, 0.05);

    sf::Event left{};
    left.type = sf::Event::MouseLeft;
    scene->handleEvent(*window, left);
    frame();
    EXPECT_FALSE(scene->cursorReading().overPlot);
}

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value)
        : name(name)
    {
        if (const char* old = std::getenv(name))
            previous = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable()
    {
        if (previous)
            ::setenv(name, previous->c_str(), 1);
        else
            ::unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> previous;
};

std::size_t noteEventsIn(const std::string& path)
{
    std::size_t count = 0;
    smf_t* smf = smf_load(path.c_str());
    if (smf == nullptr)
        return 0;
    for (smf_event_t* e = smf_get_next_event(smf); e != nullptr; e = smf_get_next_event(smf))
        count += !smf_event_is_metadata(e) && e->midi_buffer_length == 3 ? 1 : 0;
    smf_delete(smf);
    return count;
}

// A file that cannot be written never costs the notes: they go to the first
// fallback folder that takes them, or stay until "Save Again" succeeds.
TEST_F(SceneFrameTest, ARecordingThatCannotBeWrittenIsKeptAndSavedElsewhere)
{
    namespace fs = std::filesystem;
    const fs::path home = config->path() / "home-is-a-file";
    fs::create_directories(config->path());
    std::ofstream(home) << "not a folder";
    const fs::path data = config->path() / "data";
    struct Case {
        const char* name;
        std::string xdgDataHome;
        std::string fallback; // empty: nowhere takes it
    };
    const std::vector<Case> cases{
        {"data home", data.string(), (data / "dravik" / "take.mid").string()},
        {"home's data folder", "relative/ignored", ""},
    };
    const std::string wanted = (home / "take.mid").string();
    scene->sourceStage().generators().setEnabled(0, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScopedVariable dataHome("XDG_DATA_HOME", c.xdgDataHome);
        const ScopedVariable homeVariable("HOME", home.string());
        // The current folder is the last place tried; /proc takes no file.
        const fs::path folder = fs::current_path();
        fs::current_path("/proc");
        scene->noteOutputs().startRecording();
        scene->noteOutputs().setRecordingPath(wanted);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (scene->analysis().activeNotes().size() == 0 && std::chrono::steady_clock::now() < deadline)
            frame();
        scene->noteOutputs().stopRecording();
        fs::current_path(folder);
        const std::string& message = scene->noteOutputs().recordingMessage();
        EXPECT_NE(message.find("cannot write the MIDI file " + wanted + " (Not a directory)"), std::string::npos)
            << message;
        EXPECT_EQ(message.find('\n'), std::string::npos);
        if (!c.fallback.empty()) {
            EXPECT_NE(message.find("saved to " + c.fallback), std::string::npos) << message;
            EXPECT_FALSE(scene->noteOutputs().hasUnsavedRecording());
            EXPECT_GE(noteEventsIn(c.fallback), 2u);
            continue;
        }
        EXPECT_NE(message.find("the notes are kept"), std::string::npos) << message;
        EXPECT_TRUE(scene->noteOutputs().hasUnsavedRecording());
        EXPECT_FALSE(scene->noteOutputs().isRecording());
        // Once a place takes it, the same notes are written there.
        const std::string later = (config->path() / "later.mid").string();
        scene->noteOutputs().setRecordingPath(later);
        scene->noteOutputs().saveRecordingAgain();
        EXPECT_EQ(scene->noteOutputs().recordingMessage(), "Saved " + later);
        EXPECT_FALSE(scene->noteOutputs().hasUnsavedRecording());
        EXPECT_GE(noteEventsIn(later), 2u);
    }
}

TEST_F(SceneFrameTest, ADiscardedRecordingMakesWayForANewOne)
{
    scene->noteOutputs().startRecording();
    scene->noteOutputs().setRecordingPath("/proc/none/take.mid");
    const ScopedVariable dataHome("XDG_DATA_HOME", "/proc/none");
    const ScopedVariable homeVariable("HOME", "/proc/none");
    const std::filesystem::path folder = std::filesystem::current_path();
    std::filesystem::current_path("/proc");
    scene->noteOutputs().stopRecording();
    std::filesystem::current_path(folder);
    ASSERT_TRUE(scene->noteOutputs().hasUnsavedRecording());
    scene->noteOutputs().discardRecording();
    EXPECT_FALSE(scene->noteOutputs().hasUnsavedRecording());
    scene->noteOutputs().startRecording();
    EXPECT_TRUE(scene->noteOutputs().isRecording());
}

// With no portal, zenity or kdialog, Ctrl+O falls back to the path field: the
// "Sound File" panel shows and says why, and the frames go on meanwhile.
TEST_F(SceneFrameTest, WithoutAnyFileChooserThePathFieldShowsAndSaysWhy)
{
    const std::filesystem::path empty = config->path() / "no-programs";
    std::filesystem::create_directories(empty);
    const ScopedVariable path("PATH", empty.string());
    const ScopedVariable bus("DBUS_SESSION_BUS_ADDRESS", "");
    const ScopedVariable runtime("XDG_RUNTIME_DIR", "");
    sf::Event ctrlO{};
    ctrlO.type = sf::Event::KeyPressed;
    ctrlO.key = {sf::Keyboard::O, false, true, false, false};
    EXPECT_EQ(scene->sourceStage().shownPanel(), SourceKind::Generators);
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(scene->handleEvent(*window, ctrlO));
    for (int i = 0; i < 3 && scene->isChoosingFile(); ++i)
        frame();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(scene->isChoosingFile());
    EXPECT_EQ(scene->sourceStage().shownPanel(), SourceKind::File);
    EXPECT_NE(said.find("no file chooser"), std::string::npos) << said;
    EXPECT_NE(said.find("type the path"), std::string::npos) << said;
}

} // namespace
} // namespace dravik
