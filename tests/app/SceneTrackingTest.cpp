#include "../sound/SoundFiles.h"
#include "Melody.h"
#include "SceneOnWindow.h"
#include "engine/AnalysisEngine.h"
#include "shared/NoteFrequency.h"

#include <SFML/Audio/OutputSoundFile.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <gtest/gtest.h>
#include <smf.h>

#include <chrono>
#include <cmath>
#include <vector>

namespace dravik {
namespace {

using test::TemporaryFolder;

struct Onset {
    double seconds;
    int note;
};

// The test melody as 16-bit samples at 44.1 kHz.
std::vector<sf::Int16> melody()
{
    const std::vector<double> mix = testing::melody(44100.0);
    std::vector<sf::Int16> samples(mix.size());
    for (std::size_t i = 0; i < mix.size(); ++i)
        samples[i] = static_cast<sf::Int16>(std::lround(mix[i] * 32767.0));
    return samples;
}

// The batch path, as dravik-transcribe runs it.
std::vector<Onset> transcribed(const std::vector<sf::Int16>& samples)
{
    AnalysisEngine engine(44100.0);
    std::vector<Onset> onsets;
    const std::size_t block = FFTParams_t{}.blockSize;
    std::vector<double> mono(block);
    const auto collect = [&](NoteEventView events) {
        for (const NoteEvent_t& e : events) {
            if (e.velocity > 0)
                onsets.push_back({e.timeSeconds, e.note});
        }
    };
    for (std::size_t at = 0; at + block <= samples.size(); at += block) {
        for (std::size_t i = 0; i < block; ++i)
            mono[i] = samples[at + i] / 32768.0;
        engine.pushBlock(mono.data(), block);
        collect(engine.takeEvents());
    }
    engine.endNotes();
    collect(engine.takeEvents());
    return onsets;
}

class SceneTrackingTest : public SceneOnWindow {
protected:
    SceneTrackingTest()
        : SceneOnWindow("tracking")
    {
    }
    TemporaryFolder folder{"scene-tracking"};
};

// The scene playing a file records the notes dravik-transcribe writes for
// it: the same pitches, onsets within one short hop once the recording's own
// start is allowed for.
TEST_F(SceneTrackingTest, TheSceneRecordsTheNotesTheBatchPathFinds)
{
    const std::vector<sf::Int16> samples = melody();
    const std::string wav = folder / "melody.wav";
    {
        sf::OutputSoundFile out;
        ASSERT_TRUE(out.openFromFile(wav, 44100, 1));
        out.write(samples.data(), samples.size());
    }
    const std::vector<Onset> batch = transcribed(samples);
    ASSERT_EQ(batch.size(), 4u);

    const std::string mid = folder / "scene.mid";
    scene->noteOutputs().startRecording();
    scene->noteOutputs().setRecordingPath(mid);
    ASSERT_TRUE(scene->openFile(wav));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (scene->sourceStage().file().position() < 3.0 && std::chrono::steady_clock::now() < deadline)
        frame();
    scene->noteOutputs().stopRecording();
    ASSERT_EQ(scene->noteOutputs().recordingMessage(), "Saved " + mid);

    std::vector<Onset> live;
    smf_t* smf = smf_load(mid.c_str());
    ASSERT_NE(smf, nullptr);
    for (smf_event_t* e = smf_get_next_event(smf); e != nullptr; e = smf_get_next_event(smf)) {
        if (!smf_event_is_metadata(e) && e->midi_buffer_length == 3 && (e->midi_buffer[0] & 0xF0) == 0x90 &&
            e->midi_buffer[2] > 0)
            live.push_back({e->time_seconds, e->midi_buffer[1]});
    }
    smf_delete(smf);
    ASSERT_EQ(live.size(), batch.size());
    const double shortHop = 256.0 / 44100.0;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(live[i].note, batch[i].note);
        EXPECT_NEAR(live[i].seconds - live[0].seconds, batch[i].seconds - batch[0].seconds, shortHop);
    }
}

} // namespace
} // namespace dravik
