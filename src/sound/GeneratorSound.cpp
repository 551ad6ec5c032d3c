#include "sound/GeneratorSound.h"

namespace dravik {

void GeneratorSound::submit(const GeneratorSource& generators, bool analysed)
{
    const bool audible = !muted && analysed && generators.anyEnabled();
    player.submit(voices.data(), generators.toneVoices(voices.data()), audible);
    if (audible && !playing && player.hasDevice()) {
        player.play();
        playing = true;
    }
}

void GeneratorSound::stop()
{
    player.stop();
    playing = false;
}

} // namespace dravik
