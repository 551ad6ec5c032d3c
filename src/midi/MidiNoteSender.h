#pragma once

#include "midi/IMidiPort.h"
#include "tracking/NoteEvent.h"

#include <array>
#include <cstdint>

namespace dravik {

// Sends tracked note events as note on/off messages on one channel and keeps
// track of the notes it left sounding, so that none is left hanging.
class MidiNoteSender {
public:
    explicit MidiNoteSender(IMidiPort& port);

    // Channel 1 to 16; other values are refused (false). A change ends the
    // notes sounding on the old channel.
    bool setChannel(std::int32_t channel);
    std::int32_t channel() const { return channelNumber; }
    void send(NoteEventView events);
    // Note offs for every sounding note.
    void allOff();

private:
    void message(std::uint8_t status, std::uint8_t note, std::uint8_t velocity);

    IMidiPort& port;
    std::int32_t channelNumber = 1;
    std::array<bool, 128> sounding{};
};

} // namespace dravik
