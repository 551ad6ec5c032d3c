#pragma once

#include "analysis/IFFT.h"
#include "app/IScene.h"
#include "audio/BlockMixer.h"
#include "audio/GeneratorBank.h"
#include "audio/GeneratorEntry.h"
#include "panels/MapperWrapper.h"
#include "panels/PanelLayout.h"
#include "sound/SoundPlayer.h"
#include "ui/ImGuiBinding.h"
#include "view/FFTDebugView.h"
#include "view/MidiDisplay.h"

#include <SFML/System/Clock.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace dravik {

class IViewContext;

// The program's one scene. It owns the whole signal path: the generator bank
// and its mixer, the analyser, the active note mapper, the two drawables and
// the sound output; every frame it draws the panels, analyses one hop of the
// generators' mix and hands the result to the drawables.
class ApplicationScene final : public IScene {
public:
    // The view context must outlive the scene. Opens the sound output.
    explicit ApplicationScene(IViewContext& viewContext);

    void onStart(sf::RenderWindow& window) override;
    void onStop(sf::RenderWindow& window) override;
    void render(sf::RenderWindow& window) override;
    void update(sf::RenderWindow& window, const sf::Time& elapsed) override;
    bool handleEvent(sf::RenderWindow& window, const sf::Event& event) override;

    // What the panels change, also callable without them.
    bool addGenerator();
    void deleteGenerator(std::size_t index);
    void setGeneratorEnabled(std::size_t index, bool enabled);
    // Refuses (false, nothing changed) a rate that is not positive and finite.
    bool setSampleRate(double rate);
    void setMuted(bool mute);
    // Always builds a new mapper with default settings, also for the active type.
    void selectMapper(MapperType type);
    // Picks an item of the "FFT Window Sizes" combo (4096 << index, index 0 to 6)
    // and rebuilds the analyser; other indices are ignored.
    void selectWindowSize(std::int32_t index);
    // Every panel goes back to its first-use place at its next frame.
    void resetLayout();
    // Stops the sound output at once, before an abrupt end of the process.
    void stopSound();

    const std::vector<GeneratorEntry>& generatorBank() const { return generators; }
    const FFTParams_t& analyserSettings() const { return fftParams; }
    MapperWrapper& activeMapper() { return *mapper; }
    const FFTDebugView& spectrumDisplay() const { return spectrumView; }
    const MidiDisplay& noteDisplay() const { return midiDisplay; }
    bool isPlaying() const { return playing; }
    bool isMuted() const { return muted; }

private:
    void drawMainMenu();
    void drawAudioGenerator();
    void drawFFTOptions();
    void rebuildAnalyser();
    void feedSoundOutput();
    void analyze();

    IViewContext& viewContext;
    // Outlives the window, whose mouse cursors it owns.
    ImGuiBinding ui;
    PanelLayout layout;
    std::vector<GeneratorEntry> generators;
    BlockMixer mixer;
    FFTParams_t fftParams;
    std::unique_ptr<IFFT> analyser;
    std::unique_ptr<MapperWrapper> mapper;
    MidiDisplay midiDisplay;
    FFTDebugView spectrumView;
    sf::Clock frameClock;
    SoundPlayer player;
    bool playing = false;
    bool muted = true;
    std::int32_t windowSizeIndex = 0;
    std::int32_t blockSizeIndex = 1;
    std::int32_t windowTypeIndex = 1;
    std::uint32_t generatorCounter = 1;
    double sampleRate = 44100.0;
    // Reused every frame to hand the generators' settings to the sound output.
    std::array<ToneVoice_t, maxGenerators> voices{};
};

} // namespace dravik
