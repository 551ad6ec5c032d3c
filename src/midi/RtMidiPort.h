#pragma once

#include "midi/IMidiPort.h"

#include <memory>
#include <string>

class RtMidiOut;

namespace dravik {

// An ALSA sequencer output port named "Dravik" through RtMidi.
class RtMidiPort final : public IMidiPort {
public:
    // The open port, or null with a one-line message when the system has no
    // MIDI sequencer (or the port cannot be made). Never throws.
    static std::unique_ptr<RtMidiPort> open(std::string& message);
    ~RtMidiPort() override;

    void send(const std::uint8_t* bytes, std::size_t count) override;

private:
    explicit RtMidiPort(std::unique_ptr<RtMidiOut> out);
    std::unique_ptr<RtMidiOut> out;
};

} // namespace dravik
