#include "midi/RtMidiPort.h"

#include <RtMidi.h>

#include <unistd.h>

#include <exception>
#include <utility>

namespace dravik {

RtMidiPort::RtMidiPort(std::unique_ptr<RtMidiOut> out)
    : out(std::move(out))
{
}

RtMidiPort::~RtMidiPort() = default;

std::unique_ptr<RtMidiPort> RtMidiPort::open(std::string& message)
{
    // Without the sequencer device ALSA and RtMidi would print lines of their own.
    if (::access("/dev/snd/seq", R_OK | W_OK) != 0) {
        message = "MIDI out: no ALSA sequencer (/dev/snd/seq is missing); MIDI out is off";
        return nullptr;
    }
    try {
        auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, "Dravik");
        out->openVirtualPort("Dravik");
        if (!out->isPortOpen()) {
            message = "MIDI out: the ALSA sequencer port could not be opened";
            return nullptr;
        }
        return std::unique_ptr<RtMidiPort>(new RtMidiPort(std::move(out)));
    } catch (const std::exception& error) {
        message = std::string("MIDI out: no ALSA sequencer (") + error.what() + ")";
    } catch (...) {
        message = "MIDI out: no ALSA sequencer";
    }
    return nullptr;
}

void RtMidiPort::send(const std::uint8_t* bytes, std::size_t count)
{
    try {
        out->sendMessage(bytes, count);
    } catch (...) {
        // A port that went away drops the message; the frame loop goes on.
    }
}

} // namespace dravik
