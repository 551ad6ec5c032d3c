#include "midifile/MidiFileWriter.h"
#include "midifile/NoteRecorder.h"
#include "midifile/RecordingPlace.h"

#include <smf.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace dravik {
namespace {

struct ReadEvent {
    double seconds;
    int status;
    int note;
    int velocity;
};

std::vector<ReadEvent> readBack(const std::string& path)
{
    std::vector<ReadEvent> out;
    smf_t* smf = smf_load(path.c_str());
    if (smf == nullptr)
        return out;
    for (smf_event_t* e = smf_get_next_event(smf); e != nullptr; e = smf_get_next_event(smf)) {
        if (!smf_event_is_metadata(e) && e->midi_buffer_length == 3)
            out.push_back({e->time_seconds, e->midi_buffer[0], e->midi_buffer[1], e->midi_buffer[2]});
    }
    smf_delete(smf);
    return out;
}

TEST(MidiFileWriter, EventsReadBackWithTheirTimesNotesAndVelocities)
{
    const std::string path = (std::filesystem::temp_directory_path() / "dravik_writer_test.mid").string();
    MidiFileWriter writer(2);
    const NoteEvent_t events[] = {{0.0, 60, 100}, {0.25, 64, 80}, {1.5, 60, 0}, {2.0, 64, 0}};
    writer.add(NoteEventView{events, 4});
    std::string message;
    ASSERT_TRUE(writer.save(path, message)) << message;

    const std::vector<ReadEvent> read = readBack(path);
    std::remove(path.c_str());
    ASSERT_EQ(read.size(), 4u);
    const int expectedStatus[] = {0x92, 0x92, 0x82, 0x82};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(read[i].seconds, events[i].timeSeconds, 0.002);
        EXPECT_EQ(read[i].status, expectedStatus[i]);
        EXPECT_EQ(read[i].note, events[i].note);
        EXPECT_EQ(read[i].velocity, events[i].velocity);
    }
}

TEST(MidiFileWriter, UnwritablePathGivesAMessage)
{
    MidiFileWriter writer;
    writer.add(NoteEvent_t{0.0, 60, 100});
    std::string message;
    EXPECT_FALSE(writer.save("/nonexistent-folder/out.mid", message));
    EXPECT_NE(message.find("/nonexistent-folder/out.mid"), std::string::npos);
}

TEST(NoteRecorder, StartsAtZeroCarriesSoundingNotesAndEndsThemAtStop)
{
    const std::string path = (std::filesystem::temp_directory_path() / "dravik_recorder_test.mid").string();
    NoteRecorder recorder;
    const NoteEvent_t before{0.5, 50, 90};
    recorder.add(NoteEventView{&before, 1}); // not recording yet: dropped
    const ActiveNote_t atStart{48, 70, -10.0};
    recorder.start(10.0, ActiveNoteView{&atStart, 1});
    EXPECT_TRUE(recorder.recording());
    const NoteEvent_t events[] = {{10.5, 60, 100}, {11.0, 48, 0}, {2.0, 62, 90}};
    recorder.add(NoteEventView{events, 3}); // the last one after the clock started over
    const ActiveNote_t sounding[] = {{60, 100, -6.0}, {62, 90, -8.0}};
    std::string message;
    ASSERT_TRUE(recorder.stop(11.5, ActiveNoteView{sounding, 2}, path, message)) << message;
    EXPECT_FALSE(recorder.recording());

    const std::vector<ReadEvent> read = readBack(path);
    std::remove(path.c_str());
    const std::vector<ReadEvent> expected = {{0.0, 0x90, 48, 70}, {0.5, 0x90, 60, 100}, {1.0, 0x80, 48, 0},
                                             {1.0, 0x90, 62, 90}, {1.5, 0x80, 60, 0},   {1.5, 0x80, 62, 0}};
    ASSERT_EQ(read.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(read[i].seconds, expected[i].seconds, 0.002) << i;
        EXPECT_EQ(read[i].status, expected[i].status) << i;
        EXPECT_EQ(read[i].note, expected[i].note) << i;
        EXPECT_EQ(read[i].velocity, expected[i].velocity) << i;
    }
}

TEST(NoteRecorder, StopWithoutRecordingOrToAnUnwritablePathSaysWhyAndKeepsTheNotes)
{
    NoteRecorder recorder;
    std::string message;
    EXPECT_FALSE(recorder.stop(1.0, {}, "unused.mid", message));
    EXPECT_FALSE(message.empty());
    EXPECT_FALSE(recorder.unsaved());

    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::string aFile = (folder / "dravik_recorder_file").string();
    std::FILE* file = std::fopen(aFile.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    struct Case {
        std::string path;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"/nonexistent-folder/take.mid", "(No such file or directory)"},
        {aFile + "/take.mid", "(Not a directory)"},
        {folder.string(), "(Is a directory)"},
        {"/dev/full", "(No space left on device)"},
    };
    const std::string kept = (folder / "dravik_recorder_kept.mid").string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const ActiveNote_t sounding{60, 100, -6.0};
        recorder.start(0.0, ActiveNoteView{&sounding, 1});
        message.clear();
        EXPECT_FALSE(recorder.stop(1.0, ActiveNoteView{&sounding, 1}, c.path, message));
        EXPECT_NE(message.find("cannot write the MIDI file " + c.path + " " + c.reason), std::string::npos) << message;
        EXPECT_FALSE(recorder.recording());
        ASSERT_TRUE(recorder.unsaved());
        // Tried again, elsewhere: the same notes, note on and the end at Stop.
        EXPECT_FALSE(recorder.save(c.path, message));
        ASSERT_TRUE(recorder.save(kept, message)) << message;
        EXPECT_FALSE(recorder.unsaved());
        const std::vector<ReadEvent> read = readBack(kept);
        ASSERT_EQ(read.size(), 2u);
        EXPECT_EQ(read[0].status, 0x90);
        EXPECT_NEAR(read[1].seconds, 1.0, 0.002);
    }
    std::remove(kept.c_str());
    std::remove(aFile.c_str());
    EXPECT_FALSE(recorder.save(kept, message));
}

TEST(RecordingPlace, FallbackFoldersInOrderEndingWithTheCurrentFolder)
{
    using Folders = std::vector<std::filesystem::path>;
    EXPECT_EQ(recordingFallbackFolders("/data", "/home/u"),
              (Folders{"/data/dravik", "/home/u/.local/share/dravik", "."}));
    EXPECT_EQ(recordingFallbackFolders("relative", "/home/u"), (Folders{"/home/u/.local/share/dravik", "."}));
    EXPECT_EQ(recordingFallbackFolders(nullptr, ""), (Folders{"."}));
}

} // namespace
} // namespace dravik
