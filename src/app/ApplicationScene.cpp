#include "app/ApplicationScene.h"

#include "analysis/FFTWRingBuffer.h"
#include "app/FrameSignal.h"
#include "app/IViewContext.h"
#include "audio/NotePosition.h"
#include "panels/SoundReadout.h"
#include "panels/Widgets.h"
#include "shared/NoteFrequency.h"
#include "ui/SettingsLocation.h"

#include <imgui.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>

#include <algorithm>
#include <iostream>

namespace dravik {

ApplicationScene::ApplicationScene(IViewContext& viewContext)
    : viewContext(viewContext)
    , generators{makeGeneratorEntry(1)}
    , analyser(std::make_unique<FFTWRingBuffer>(fftParams))
    , mapper(std::make_unique<GaussianMapperWrapper>())
{
    // The plot spans MIDI notes 24 to 113.
    spectrumView.minFrequency = std::max(0.0, noteFrequency(24, 440.0));
    spectrumView.maxFrequency = std::max(spectrumView.minFrequency, noteFrequency(113, 440.0));
    spectrumView.limitToRange = true;
    spectrumView.fftSize = fftParams.windowSize;
    spectrumView.sampleRate = sampleRate;
    spectrumView.setPosition(0.0f, 20.0f);
}

void ApplicationScene::onStart(sf::RenderWindow& window)
{
    ui.init(window, true, uiSettingsFile());
    viewContext.worldView().view = window.getView();
    viewContext.screenView().view = window.getDefaultView();
}

void ApplicationScene::onStop(sf::RenderWindow&)
{
    ui.shutdown();
    if (player.hasDevice())
        std::cerr << "Dravik: audio underruns: " << player.underruns() << '\n';
}

bool ApplicationScene::handleEvent(sf::RenderWindow& window, const sf::Event& event)
{
    // Both see every event: a wheel turn over a panel also zooms the drawing.
    ui.processEvent(event);
    return viewContext.worldView().handleEvent(window, event);
}

void ApplicationScene::update(sf::RenderWindow& window, const sf::Time&)
{
    const sf::Time dt = frameClock.restart();
    ui.update(window, dt);
    // The panels apply their edits at once, so this frame's signal uses them.
    drawMainMenu();
    drawAudioGenerator();

    feedSoundOutput();
    if (pushNextHop(generators, mixer, *analyser, fftParams.blockSize).hopCompleted)
        analyze();
    midiDisplay.advance(static_cast<float>(dt.asMicroseconds()) / 1000000.0f);
}

void ApplicationScene::render(sf::RenderWindow& window)
{
    window.setView(viewContext.worldView().view);
    window.draw(midiDisplay);
    window.draw(spectrumView);
    ui.render(window);
}

void ApplicationScene::analyze()
{
    const MagnitudeSpectrum spectrum = analyser->compute();
    midiDisplay.update(mapper->map(spectrum));
    spectrumView.update(spectrum);
}

// The output plays the enabled generators in real time from their settings,
// each with its own phase: the analysed mix runs several times faster than
// real time and cannot be played itself. The stream starts the first time
// there is something to hear and then runs on; muting fades it to silence.
void ApplicationScene::feedSoundOutput()
{
    const bool audible = !muted && anyGeneratorEnabled(generators);
    player.submit(voices.data(), collectToneVoices(generators, voices.data()), audible);
    if (audible && !playing && player.hasDevice()) {
        player.play();
        playing = true;
    }
}

bool ApplicationScene::addGenerator()
{
    return dravik::addGenerator(generators, generatorCounter, sampleRate);
}

void ApplicationScene::deleteGenerator(std::size_t index)
{
    dravik::deleteGenerator(generators, index);
}

void ApplicationScene::setGeneratorEnabled(std::size_t index, bool enabled)
{
    if (index < generators.size())
        generators[index].enabled = enabled;
}

bool ApplicationScene::setSampleRate(double rate)
{
    if (!isUsableSampleRate(rate))
        return false;
    sampleRate = rate;
    setGeneratorSampleRate(generators, sampleRate);
    return true;
}

void ApplicationScene::setMuted(bool mute)
{
    muted = mute;
}

void ApplicationScene::selectMapper(MapperType type)
{
    // The new wrapper is complete before the old one goes.
    mapper = makeMapperWrapper(type, fftParams.windowSize);
}

void ApplicationScene::selectWindowSize(std::int32_t index)
{
    if (index < 0 || index >= fftSizeItemCount)
        return;
    windowSizeIndex = index;
    fftParams.windowSize = windowSizeOfItem(index);
    rebuildAnalyser();
}

void ApplicationScene::rebuildAnalyser()
{
    // The new analyser is complete before the old one goes; it starts empty.
    analyser = std::make_unique<FFTWRingBuffer>(fftParams);
    mapper->params()->fftSize = fftParams.windowSize;
    spectrumView.fftSize = fftParams.windowSize;
    spectrumView.sampleRate = sampleRate;
}

void ApplicationScene::drawMainMenu()
{
    ImGui::Begin("dravik.smx main menu", nullptr, ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::LabelText("FPS", "%0.2f", static_cast<double>(ImGui::GetIO().Framerate));

    float rate = static_cast<float>(sampleRate);
    if (ImGui::SliderFloat("Sample Rate##1", &rate, 1024.0f, 48000.0f, "%.3f", 0))
        setSampleRate(rate);
    ImGui::Checkbox("Mute Audio", &muted);
    soundReadout(player.outputGain(), player.underruns());
    ImGui::Separator();

    ImGui::Checkbox("Show Linear Grid", &spectrumView.showLinearGrid);
    ImGui::SameLine(0.0f, -1.0f);
    ImGui::Checkbox("Show Log Grid", &spectrumView.showLogGrid);
    ImGui::Checkbox("Show Linear Labels", &spectrumView.showLinearLabels);
    ImGui::SameLine(0.0f, -1.0f);
    ImGui::Checkbox("Show Log Labels", &spectrumView.showLogLabels);
    ImGui::Separator();

    ImGui::LabelText("MIDI Mapper", "%s", "");
    if (ImGui::RadioButton("Gaussian Cents", mapper->type() == MapperType::GaussianCents))
        selectMapper(MapperType::GaussianCents);
    ImGui::SameLine(0.0f, -1.0f);
    if (ImGui::RadioButton("Harmonic Energy", mapper->type() == MapperType::HarmonicEnergy))
        selectMapper(MapperType::HarmonicEnergy);
    ImGui::Separator();

    drawFFTOptions();
    mapper->drawOptions();
    ImGui::End();
}

void ApplicationScene::drawFFTOptions()
{
    static const char* const windowTypes[] = {"None", "Hann", "Hamming", "Blackman"};
    static const char* const windowSizes[] = {"4096", "8192", "16384", "32768", "65536", "131072", "262144"};
    static const char* const blockSizes[] = {"64", "128", "256", "512", "1024", "2048", "4096"};

    if (!ImGui::TreeNode("FFT Options"))
        return;
    bool changed = false;
    if (ImGui::Combo("Windowing Type", &windowTypeIndex, windowTypes, 4, -1)) {
        fftParams.windowingType = static_cast<WindowingType>(static_cast<std::uint8_t>(windowTypeIndex));
        changed = true;
    }
    changed |= ImGui::SliderFloat("FFT Hop Rate##1", &fftParams.hopRate, 0.0f, 1.0f, "%.3f", 0);
    if (ImGui::Combo("FFT Window Sizes", &windowSizeIndex, windowSizes, fftSizeItemCount, -1)) {
        fftParams.windowSize = windowSizeOfItem(windowSizeIndex);
        changed = true;
    }
    if (ImGui::Combo("FFT Process Block Size", &blockSizeIndex, blockSizes, fftSizeItemCount, -1)) {
        fftParams.blockSize = blockSizeOfItem(blockSizeIndex);
        changed = true;
    }
    ImGui::LabelText("FFT Bin size ", "%0.2f", sampleRate / fftParams.windowSize);
    const OverlapValue_t overlap = overlappingBlocks(fftParams);
    if (overlap.valid)
        ImGui::LabelText("Overlapping Blocks ", "%d", overlap.blocks);
    else
        ImGui::LabelText("Overlapping Blocks ", "-");
    ImGui::TreePop();

    // However many widgets changed, one new analyser.
    if (changed)
        rebuildAnalyser();
}

void ApplicationScene::drawAudioGenerator()
{
    ImGui::Begin("Audio Generator", nullptr, ImGuiWindowFlags_AlwaysAutoResize);
    if (generators.size() < maxGenerators) {
        if (ImGui::Button("Add"))
            addGenerator();
        ImGui::Separator();
    }
    for (std::size_t i = 0; i < generators.size();) {
        GeneratorEntry& entry = generators[i];
        ImGui::PushID(&entry);
        bool keep = true;
        if (ImGui::TreeNode(entry.name.c_str())) {
            const bool pressed = ImGui::Button("Delete");
            ImGui::Checkbox("Enabled", &entry.enabled);
            OscillatorParams_t& params = *entry.oscillator.params();
            ImGui::LabelText("Sample Rate: ", "%0.2f", params.sampleRate);
            sliderDouble("Amplitude##1", params.amplitude, 0.0f, 1.0f);
            sliderDouble("Frequency##1", params.frequency, 32.7032013f, 5274.04102f);
            const NotePosition_t position = notePosition(params.frequency);
            if (position.valid) {
                ImGui::LabelText("Midi", "%d", position.note);
                ImGui::LabelText("Freq", "[%0.2f - %0.2f) => %0.2f%%", position.low, position.high, position.percent);
            } else {
                ImGui::LabelText("Midi", "-");
                ImGui::LabelText("Freq", "-");
            }
            ImGui::TreePop();
            keep = !pressed;
        }
        ImGui::PopID();
        if (keep) {
            ImGui::Separator();
            ++i;
        } else {
            // The entry that moves into position i is drawn next, this frame.
            deleteGenerator(i);
        }
    }
    ImGui::End();
}

} // namespace dravik
