#include "app/ApplicationScene.h"

#include "app/IViewContext.h"
#include "app/SceneLayout.h"
#include "decode/SndfileOpener.h"
#include "panels/GeneratorPanel.h"
#include "panels/PlotReadouts.h"
#include "shared/NoteFrequency.h"
#include "sound/CaptureRecorder.h"
#include "sound/FilePlayer.h"
#include "ui/SettingsLocation.h"

#include <imgui.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>

#include <algorithm>
#include <iostream>
#include <optional>

namespace dravik {

namespace {

// Without a sound device files are analysed by the frame clock, silently.
std::unique_ptr<IPlaybackOutput> makeFileOutput()
{
    if (!FilePlayer::deviceAvailable())
        return nullptr;
    return std::make_unique<FilePlayer>();
}

} // namespace

ApplicationScene::ApplicationScene(IViewContext& viewContext)
    : viewContext(viewContext)
    , sources(std::make_unique<SndfileOpener>(), makeFileOutput(), std::make_unique<CaptureRecorder>(), std::cerr)
{
    // The plot spans MIDI notes 24 to 113.
    spectrum.minFrequency = std::max(0.0, noteFrequency(24, 440.0));
    spectrum.maxFrequency = std::max(spectrum.minFrequency, noteFrequency(113, 440.0));
    spectrum.limitToRange = true;
    // The axes' frame until the first spectrum brings its own.
    spectrum.fftSize = engine.fftParams().windowSize;
    spectrum.sampleRate = engine.sampleRate();
    placeScene({defaultWindowWidth, defaultWindowHeight}, spectrum, midiDisplay, history.display(), layout);
}

void ApplicationScene::onStart(sf::RenderWindow& window)
{
    ui.init(window, true, uiSettingsFile(), panelTitles());
    desktop.attach(static_cast<unsigned long>(window.getSystemHandle()));
    windowSize = window.getSize();
    viewContext.worldView().view = window.getView();
    viewContext.screenView().view = window.getDefaultView();
}

void ApplicationScene::onStop(sf::RenderWindow&)
{
    // A recording is never dropped at exit: it is written, or said why not.
    notes.saveBeforeExit();
    desktop.detach();
    ui.shutdown();
    if (sound.hasDevice())
        std::cerr << "Dravik: audio underruns: " << sound.underruns() << '\n';
}

bool ApplicationScene::handleEvent(sf::RenderWindow& window, const sf::Event& event)
{
    ui.processEvent(event);
    pointer.track(event);
    const ImGuiIO& io = ImGui::GetIO();
    if (event.type == sf::Event::Resized) {
        windowSize = {event.size.width, event.size.height};
        placeScene(windowSize, spectrum, midiDisplay, history.display(), layout);
    }
    if (event.type == sf::Event::KeyPressed && event.key.code == sf::Keyboard::Home && !io.WantCaptureKeyboard) {
        resetView();
        return true;
    }
    if (event.type == sf::Event::KeyPressed && event.key.code == sf::Keyboard::O && event.key.control) {
        chooseFile();
        return true;
    }
    // The file's transport; a text field or a widget being used keeps its keys.
    if (event.type == sf::Event::KeyPressed && !io.WantCaptureKeyboard && !io.WantTextInput) {
        const std::optional<TransportKey> key = transportKeyFor(event.key.code);
        if (key && sources.transportKey(*key))
            return true;
    }
    if (!drawingTakesEvent(event, io.WantCaptureMouse))
        return false;
    if (seekToHistory(window, event))
        return true;
    return viewContext.worldView().handleEvent(window, event);
}

bool ApplicationScene::seekToHistory(const sf::RenderWindow& window, const sf::Event& event)
{
    if (event.type != sf::Event::MouseButtonPressed || event.mouseButton.button != sf::Mouse::Left ||
        sources.active() != SourceKind::File || !sources.file().isLoaded())
        return false;
    const sf::Vector2f point =
        window.mapPixelToCoords({event.mouseButton.x, event.mouseButton.y}, viewContext.worldView().view);
    const std::optional<double> before = history.secondsBeforeNowAt(point);
    if (!before)
        return false;
    // It plays on from there, also after the file's end.
    sources.file().seek(std::max(0.0, sources.file().position() - *before));
    sources.file().setPlaying(true);
    return true;
}

void ApplicationScene::update(sf::RenderWindow& window, const sf::Time&)
{
    const sf::Time dt = frameClock.restart();
    ui.update(window, dt);
    // The panels apply their edits at once, so this frame's signal uses them.
    drawMainMenu(*this);
    GeneratorSource& bank = sources.generators();
    const GeneratorPanelRequest_t request =
        drawGeneratorPanel(bank.entries(), bank.entries().size() < maxGenerators, layout);
    if (request.deleteIndex != GeneratorPanelRequest_t::none)
        bank.remove(request.deleteIndex);
    if (request.add)
        bank.add();
    drawSourceWindow(*this, sourcePanel, layout);
    if (sourcePanel.chooseFile) {
        sourcePanel.chooseFile = false;
        chooseFile();
    }
    takeDesktopFiles();

    sources.update(dt.asSeconds(), sound.isMuted());
    // The history runs in real time, as things are heard, while there is
    // something to hear: a paused or ended file holds it still.
    if (sources.active() != SourceKind::File || sources.file().isPlaying())
        history.advance(dt.asSeconds());
    sound.submit(sources.generators(), sources.active() == SourceKind::Generators);
    // Generators render what the analyser needs; real sound is analysed as it is heard.
    const FFTParams_t& fft = engine.fftParams();
    if (sources.activeSource().feedAnalyser(engine, fft.blockSize, fft.windowSize))
        analyze();
    deliverNotes();
    // Until something is heard the plot shows its axes and says how to start.
    spectrum.showHint = !heardSignal;
    if (!spectrum.hasSpectrum())
        spectrum.layoutAxes();
    midiDisplay.advance(static_cast<float>(dt.asMicroseconds()) / 1000000.0f);
    const bool fileShown = sources.active() == SourceKind::File && sources.file().isLoaded();
    history.update(engine.activeNotes(), history.now(),
                   fileShown ? std::optional<double>(sources.file().position()) : std::nullopt);
    pointer.read(window, viewContext.worldView().view, spectrum, midiDisplay);
    const std::int32_t note = pointer.note();
    drawCursorReadout(pointer.cursor(), noteHoverText(note, midiDisplay.isTracked(static_cast<std::uint32_t>(note))));
}

void ApplicationScene::render(sf::RenderWindow& window)
{
    window.setView(viewContext.worldView().view);
    // The notes go over the plot, so its grid never hides them. The history
    // comes last: drawn between them it made every one of the note row's small
    // draws cost a copy in Mesa's software renderer.
    window.draw(spectrum);
    window.draw(midiDisplay);
    window.draw(history.display());
    ui.render(window);
}

// The latest spectrum to the displays; the engine tracked every hop of it already.
void ApplicationScene::analyze()
{
    const Spectrum_t& latest = engine.spectrum();
    midiDisplay.update(engine.mapSpectrum());
    history.addSpectrum(latest, history.now());
    midiDisplay.setTrackedNotes(engine.activeNotes());
    spectrum.update(latest);
    peak = findSpectrumPeak(latest.bins, latest.binSpacing());
    heardSignal = heardSignal || peak.valid;
}

void ApplicationScene::deliverNotes()
{
    const NoteEventView events = engine.takeEvents();
    if (events.empty())
        return;
    notes.send(events);
    history.addNotesAt(events, engine.seconds());
}

bool ApplicationScene::setSampleRate(double rate)
{
    return apply(sources.setGeneratorRate(rate));
}

bool ApplicationScene::apply(const SourceChange_t& change)
{
    if (change.analysisChanged)
        setAnalysisSampleRate(change.sampleRate);
    return change.done;
}

void ApplicationScene::setAnalysisSampleRate(double rate)
{
    // The notes found at the old rate end where its signal ended, and they
    // are delivered before anything else can start or stop a recording.
    engine.setSampleRate(rate);
    deliverNotes();
    // The axes and bin size show the new frame before its first spectrum.
    spectrum.sampleRate = engine.sampleRate();
    sources.activeSource().restartAnalysis();
}

bool ApplicationScene::openFile(const std::string& path)
{
    return apply(sources.openFile(path));
}

void ApplicationScene::chooseFile()
{
    sourcePanel.chooserMessage.clear();
    desktop.choose();
}

void ApplicationScene::takeDesktopFiles()
{
    const DesktopFiles::Arrival_t arrival = desktop.poll();
    if (!arrival.chosen.empty())
        openFile(arrival.chosen);
    if (!arrival.unavailable.empty()) {
        sourcePanel.chooserMessage = arrival.unavailable;
        std::cerr << "Dravik: " << arrival.unavailable << '\n';
        selectSource(SourceKind::File);
    }
    if (!arrival.dropped.empty())
        openFile(arrival.dropped);
}

bool ApplicationScene::selectSource(SourceKind kind)
{
    return apply(sources.select(kind));
}

bool ApplicationScene::selectInputDevice(const std::string& name)
{
    return apply(sources.selectInputDevice(name));
}

void ApplicationScene::selectMapper(MapperType type)
{
    engine.selectMapper(type);
}

void ApplicationScene::applyFFTParams(const FFTParams_t& params)
{
    engine.applyFFTParams(params);
    deliverNotes();
    spectrum.fftSize = engine.fftParams().windowSize;
    sources.activeSource().restartAnalysis();
}

void ApplicationScene::stopSound()
{
    sound.stop();
    sources.stopOutput();
}

void ApplicationScene::resetView()
{
    viewContext.worldView().reset(windowSize);
}

} // namespace dravik
