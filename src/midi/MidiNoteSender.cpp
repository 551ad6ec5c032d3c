#include "midi/MidiNoteSender.h"

namespace dravik {

MidiNoteSender::MidiNoteSender(IMidiPort& port)
    : port(port)
{
}

bool MidiNoteSender::setChannel(std::int32_t channel)
{
    if (channel < 1 || channel > 16)
        return false;
    if (channel != channelNumber)
        allOff();
    channelNumber = channel;
    return true;
}

void MidiNoteSender::message(std::uint8_t status, std::uint8_t note, std::uint8_t velocity)
{
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(status | (channelNumber - 1)), note, velocity};
    port.send(bytes, 3);
}

void MidiNoteSender::send(NoteEventView events)
{
    for (const NoteEvent_t& event : events) {
        if (event.note >= sounding.size())
            continue;
        if (event.velocity > 0) {
            message(0x90, event.note, event.velocity);
            sounding[event.note] = true;
        } else if (sounding[event.note]) {
            message(0x80, event.note, 0);
            sounding[event.note] = false;
        }
    }
}

void MidiNoteSender::allOff()
{
    for (std::uint8_t note = 0; note < sounding.size(); ++note) {
        if (sounding[note])
            message(0x80, note, 0);
        sounding[note] = false;
    }
}

} // namespace dravik
