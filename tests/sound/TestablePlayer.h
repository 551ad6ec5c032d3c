#pragma once

#include "sound/SoundPlayer.h"

#include <cstdint>
#include <vector>

namespace dravik {

// Reaches the streaming callback the way SFML's thread does.
class TestablePlayer : public SoundPlayer {
public:
    using Chunk = ::sf::SoundStream::Chunk;
    using SoundPlayer::onGetData;

    // Pulls `chunks` chunks and returns their samples, interleaved; false in
    // `allServed` if any call said the stream had ended.
    std::vector<std::int16_t> pull(std::size_t chunks, bool& allServed)
    {
        std::vector<std::int16_t> out;
        allServed = true;
        for (std::size_t i = 0; i < chunks; ++i) {
            Chunk chunk{nullptr, 0};
            allServed = onGetData(chunk) && allServed;
            out.insert(out.end(), chunk.samples, chunk.samples + chunk.sampleCount);
        }
        return out;
    }
};

} // namespace dravik
