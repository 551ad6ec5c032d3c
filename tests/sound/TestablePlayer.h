#pragma once

#include "sound/SoundPlayer.h"

#include <cstdint>
#include <vector>

namespace dravik {

// A player whose queue the test refills by hand (no feeding thread), and
// whose renderer the test can call directly.
class TestablePlayer : public SoundPlayer {
public:
    explicit TestablePlayer(OutputQueue_t queue = {})
        : SoundPlayer(queue, false)
    {
    }

    using SoundPlayer::refill;
    using SoundPlayer::render;

    // Renders `chunks` chunks of chunkFrames frames; returns their samples, interleaved.
    std::vector<std::int16_t> pull(std::size_t chunks)
    {
        std::vector<std::int16_t> out(chunks * chunkFrames * channelCount);
        for (std::size_t i = 0; i < chunks; ++i) {
            render(out.data() + i * chunkFrames * channelCount, chunkFrames);
        }
        return out;
    }

    static constexpr std::size_t chunkFrames = 441;
};

} // namespace dravik
