#include "midifile/MidiFileWriter.h"

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

} // namespace
} // namespace dravik
