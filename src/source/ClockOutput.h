#pragma once

#include "source/IPlaybackOutput.h"

namespace dravik {

// An output that plays nothing and moves its position by the frame clock:
// files are analysed in real time without a sound device, and tests set the time.
class ClockOutput final : public IPlaybackOutput {
public:
    bool open(std::uint32_t channels, std::uint32_t sampleRate) override;
    void close() override;
    std::uint64_t writable() const override;
    void write(const std::int16_t* interleaved, std::uint64_t frames) override;
    void flush() override;
    void setPaused(bool paused) override { this->paused = paused; }
    void setMuted(bool) override {}
    void advance(double elapsedSeconds) override;
    std::uint64_t heardFrame() override { return static_cast<std::uint64_t>(heard); }

private:
    double rate = 0.0;
    std::uint64_t written = 0;
    double heard = 0.0;
    bool paused = true;
};

} // namespace dravik
