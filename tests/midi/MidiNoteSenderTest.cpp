#include "midi/MidiNoteSender.h"
#include "midi/RtMidiPort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dravik {
namespace {

class RecordingPort : public IMidiPort {
public:
    void send(const std::uint8_t* bytes, std::size_t count) override { sent.emplace_back(bytes, bytes + count); }
    std::vector<std::vector<std::uint8_t>> sent;
};

using Messages = std::vector<std::vector<std::uint8_t>>;

TEST(MidiNoteSender, NotesGoOutInOrderWithTheirVelocitiesOnTheChannel)
{
    RecordingPort port;
    MidiNoteSender sender(port);
    ASSERT_TRUE(sender.setChannel(10));
    const NoteEvent_t events[] = {{0.0, 60, 100}, {0.0, 64, 80}, {0.1, 60, 0}, {0.1, 61, 0}};
    sender.send({events, 4});
    // The off of a note never started is not sent.
    EXPECT_EQ(port.sent, (Messages{{0x99, 60, 100}, {0x99, 64, 80}, {0x89, 60, 0}}));
}

TEST(MidiNoteSender, AChannelChangeEndsTheSoundingNotesOnTheOldChannel)
{
    RecordingPort port;
    MidiNoteSender sender(port);
    const NoteEvent_t on{0.0, 64, 80};
    sender.send({&on, 1});
    port.sent.clear();
    EXPECT_FALSE(sender.setChannel(0));
    EXPECT_FALSE(sender.setChannel(17));
    EXPECT_TRUE(port.sent.empty());
    ASSERT_TRUE(sender.setChannel(16));
    EXPECT_EQ(port.sent, (Messages{{0x80, 64, 0}}));
    EXPECT_EQ(sender.channel(), 16);
    ASSERT_TRUE(sender.setChannel(16)); // the same channel: nothing to end
    EXPECT_EQ(port.sent.size(), 1u);
}

TEST(RtMidiPort, WithoutASequencerItSaysSoInOneLineAndDoesNotThrow)
{
    std::string message;
    std::unique_ptr<RtMidiPort> port;
    EXPECT_NO_THROW(port = RtMidiPort::open(message));
    if (port) {
        const std::uint8_t off[3] = {0x80, 60, 0};
        EXPECT_NO_THROW(port->send(off, 3));
        return;
    }
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(message.find('\n'), std::string::npos);
}

} // namespace
} // namespace dravik
