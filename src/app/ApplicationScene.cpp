#include "app/ApplicationScene.h"

#include "analysis/BinFrequency.h"
#include "app/FrameSignal.h"
#include "app/IViewContext.h"
#include "app/SceneLayout.h"
#include "decode/SndfileOpener.h"
#include "midi/RtMidiPort.h"
#include "midifile/RecordingPlace.h"
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
#include <cstdlib>
#include <ctime>
#include <filesystem>
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

bool drawingTakesEvent(const sf::Event& event, bool uiWantsMouse)
{
    switch (event.type) {
    case sf::Event::MouseWheelScrolled:
    case sf::Event::MouseButtonPressed:
    case sf::Event::MouseMoved:
        return !uiWantsMouse;
    default:
        return true;
    }
}

ApplicationScene::ApplicationScene(IViewContext& viewContext)
    : viewContext(viewContext)
    , generators{makeGeneratorEntry(1)}
    , analyser(std::make_unique<TrackingAnalyser>(fftParams, tracker.params().lowWindowSize))
    , mapper(makeMapperWrapper(MapperType::GaussianCents, fftParams.windowSize, analysisRate))
    , sources(std::make_unique<SndfileOpener>(), makeFileOutput(), std::make_unique<CaptureRecorder>(), std::cerr)
{
    // The plot spans MIDI notes 24 to 113.
    spectrum.minFrequency = std::max(0.0, noteFrequency(24, 440.0));
    spectrum.maxFrequency = std::max(spectrum.minFrequency, noteFrequency(113, 440.0));
    spectrum.limitToRange = true;
    spectrum.fftSize = fftParams.windowSize;
    spectrum.sampleRate = analysisRate;
    placeScene({defaultWindowWidth, defaultWindowHeight}, spectrum, midiDisplay, history.display(), layout);
}

void ApplicationScene::onStart(sf::RenderWindow& window)
{
    ui.init(window, true, uiSettingsFile(), panelTitles());
    windowId = static_cast<unsigned long>(window.getSystemHandle());
    fileDrop = std::make_unique<FileDrop>(windowId);
    windowSize = window.getSize();
    viewContext.worldView().view = window.getView();
    viewContext.screenView().view = window.getDefaultView();
}

void ApplicationScene::onStop(sf::RenderWindow&)
{
    // A recording is never dropped at exit: it is written, or said why not.
    if (recorder.recording())
        stopRecording();
    else if (recorder.unsaved())
        saveRecordingAgain();
    fileDrop.reset();
    ui.shutdown();
    if (player.hasDevice())
        std::cerr << "Dravik: audio underruns: " << player.underruns() << '\n';
}

bool ApplicationScene::handleEvent(sf::RenderWindow& window, const sf::Event& event)
{
    ui.processEvent(event);
    if (event.type == sf::Event::MouseMoved) {
        mouseInWindow = true;
        mousePixel = {event.mouseMove.x, event.mouseMove.y};
    } else if (event.type == sf::Event::MouseLeft) {
        mouseInWindow = false;
    }
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
        const auto key = event.key.code;
        if (key == sf::Keyboard::Space && sources.transportKey(TransportKey::PlayPause))
            return true;
        if (key == sf::Keyboard::Left && sources.transportKey(TransportKey::Back))
            return true;
        if (key == sf::Keyboard::Right && sources.transportKey(TransportKey::Forward))
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
    const GeneratorPanelRequest_t request = drawGeneratorPanel(generators, generators.size() < maxGenerators, layout);
    if (request.deleteIndex != GeneratorPanelRequest_t::none)
        deleteGenerator(request.deleteIndex);
    if (request.add)
        addGenerator();
    drawSourceWindow(sources, sourcePanel, layout);
    if (sourcePanel.chooseFile) {
        sourcePanel.chooseFile = false;
        chooseFile();
    }
    takeDesktopFiles();

    sources.update(dt.asSeconds(), muted);
    // The history runs in real time, as things are heard, while there is
    // something to hear: a paused or ended file holds it still.
    if (sources.active() != SourceKind::File || sources.file().isPlaying())
        historySeconds += dt.asSeconds();
    applySourceChange();
    feedSoundOutput();
    // Generators render what the analyser needs; real sound is analysed as it is heard.
    ISignalSource* live = sources.realTimeSource();
    const bool hop = live != nullptr ? live->feedAnalyser(*analyser, fftParams.blockSize, fftParams.windowSize)
                                     : pushNextHop(generators, mixer, *analyser, fftParams.blockSize).hopCompleted;
    if (hop)
        analyze();
    // Until something is heard the plot shows its axes and says how to start.
    spectrum.showHint = !heardSignal;
    if (!spectrum.hasSpectrum())
        spectrum.layoutAxes();
    midiDisplay.advance(static_cast<float>(dt.asMicroseconds()) / 1000000.0f);
    const bool fileShown = sources.active() == SourceKind::File && sources.file().isLoaded();
    history.update(tracker.active(), historySeconds,
                   fileShown ? std::optional<double>(sources.file().position()) : std::nullopt);
    readCursor(window);
    drawCursorReadout(cursor,
                      noteHoverText(hoveredNote, midiDisplay.isTracked(static_cast<std::uint32_t>(hoveredNote))));
}

// The mouse is mapped through the world view, so pan and zoom are respected.
void ApplicationScene::readCursor(const sf::RenderWindow& window)
{
    cursor = CursorReading_t{false, 0.0, false, 0.0};
    hoveredNote = -1;
    if (!mouseInWindow)
        return;
    const sf::Vector2f point = window.mapPixelToCoords(mousePixel, viewContext.worldView().view);
    cursor = spectrum.readAt(point);
    hoveredNote = midiDisplay.noteAt(point);
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

void ApplicationScene::analyze()
{
    const MagnitudeSpectrum magnitudes = analyser->compute();
    midiDisplay.update(mapper->map(magnitudes));
    const NoteEventView events = tracker.process(magnitudes, fftParams.windowSize, *analyser, trackedSeconds());
    recorder.add(events);
    if (midiSender)
        midiSender->send(events);
    history.addNotes(events, historySeconds - trackedSeconds());
    history.addSpectrum(magnitudes, fftParams.windowSize, analysisRate, historySeconds);
    midiDisplay.setTrackedNotes(tracker.active());
    spectrum.update(magnitudes);
    // Bins as the spectrum view lays them out, so the readouts agree with the axis.
    const double spacing = binSpacing(spectrum.sampleRate, spectrum.fftSize);
    peak = findSpectrumPeak(magnitudes, isUsableSpacing(spacing) ? spacing : 0.0);
    heardSignal = heardSignal || peak.valid;
}

// The output plays the enabled generators in real time from their settings,
// each with its own phase: the analysed stream runs at the frame rate, not in
// real time, and cannot be played itself. The stream starts the first time
// there is something to hear and then runs on; muting fades it to silence.
void ApplicationScene::feedSoundOutput()
{
    const bool audible = !muted && anyGeneratorEnabled(generators) && sources.active() == SourceKind::Generators;
    player.submit(voices.data(), collectToneVoices(generators, voices.data()), audible);
    if (audible && !playing && player.hasDevice()) {
        player.play();
        playing = true;
    }
}

bool ApplicationScene::addGenerator()
{
    return dravik::addGenerator(generators, generatorCounter, generatorRate);
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
    generatorRate = rate;
    setGeneratorSampleRate(generators, rate);
    if (sources.active() == SourceKind::Generators)
        setAnalysisSampleRate(rate);
    return true;
}

void ApplicationScene::endTrackedNotes()
{
    const NoteEventView ended = tracker.flush(trackedSeconds());
    recorder.add(ended);
    if (midiSender)
        midiSender->send(ended);
    history.addNotes(ended, historySeconds - trackedSeconds());
}

double ApplicationScene::trackedSeconds() const
{
    return clockBaseSeconds + static_cast<double>(analyser->samplesPushed() - clockBaseSamples) / analysisRate;
}

void ApplicationScene::startRecording()
{
    recordPath = defaultRecordingPath();
    recorder.start(trackedSeconds(), tracker.active());
    recordMessage = "Recording to " + recordPath;
}

void ApplicationScene::stopRecording()
{
    std::string message;
    if (recorder.stop(trackedSeconds(), tracker.active(), recordPath, message)) {
        recordMessage = "Saved " + recordPath;
    } else if (recorder.unsaved()) {
        saveRecordingElsewhere(message);
    } else {
        recordMessage = message;
        std::cerr << "Dravik: " << message << '\n';
    }
}

void ApplicationScene::saveRecordingAgain()
{
    std::string message;
    if (recorder.save(recordPath, message))
        recordMessage = "Saved " + recordPath;
    else if (recorder.unsaved())
        saveRecordingElsewhere(message);
}

void ApplicationScene::discardRecording()
{
    recorder.discard();
    recordMessage = "The recording was discarded";
}

void ApplicationScene::saveRecordingElsewhere(const std::string& problem)
{
    const std::filesystem::path name = std::filesystem::path(recordPath).filename();
    std::string lastProblem;
    for (const std::filesystem::path& folder :
         recordingFallbackFolders(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::string fallback = (folder / name).lexically_normal().string();
        if (fallback == recordPath)
            continue;
        std::string message;
        if (!error && recorder.save(fallback, message)) {
            recordPath = fallback;
            recordMessage = problem + "; saved to " + fallback + " instead";
            std::cerr << "Dravik: " << recordMessage << '\n';
            return;
        }
        lastProblem = error ? "cannot create " + folder.string() + " (" + error.message() + ")" : message;
    }
    recordMessage = problem + "; " + lastProblem + "; the notes are kept: \"Save Again\" tries once more";
    std::cerr << "Dravik: " << recordMessage << '\n';
}

void ApplicationScene::useMidiPort(std::unique_ptr<IMidiPort> port)
{
    midiSender.reset();
    midiPort = std::move(port);
}

void ApplicationScene::setMidiOut(bool on)
{
    if (!on) {
        if (midiSender)
            midiSender->allOff();
        midiSender.reset();
        return;
    }
    if (midiSender)
        return;
    if (!midiPort) {
        midiPort = RtMidiPort::open(midiText);
        if (!midiPort) {
            std::cerr << "Dravik: " << midiText << '\n';
            return;
        }
    }
    midiText.clear();
    midiSender = std::make_unique<MidiNoteSender>(*midiPort);
    midiSender->setChannel(midiChannelNumber);
    // Notes already sounding start now.
    for (const ActiveNote_t& note : tracker.active()) {
        const NoteEvent_t on{trackedSeconds(), note.note, note.velocity};
        midiSender->send({&on, 1});
    }
}

void ApplicationScene::setMidiChannel(std::int32_t channel)
{
    if (channel < 1 || channel > 16)
        return;
    midiChannelNumber = channel;
    if (midiSender)
        midiSender->setChannel(channel);
}

std::string defaultRecordingPath()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[64];
    std::strftime(name, sizeof name, "dravik-%Y%m%d-%H%M%S.mid", &local);
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/" + name : std::string(name);
}

void ApplicationScene::setAnalysisSampleRate(double rate)
{
    // Notes found at the old rate end where its signal ended.
    endTrackedNotes();
    clockBaseSeconds = trackedSeconds();
    clockBaseSamples = analyser->samplesPushed();
    analysisRate = rate;
    tracker.params().sampleRate = rate;
    mapper->params()->sampleRate = rate;
    spectrum.sampleRate = rate;
    // Samples taken at the old rate would smear the next windows.
    analyser->reset();
    if (ISignalSource* live = sources.realTimeSource())
        live->restartAnalysis();
}

bool ApplicationScene::openFile(const std::string& path)
{
    const bool opened = sources.openFile(path);
    applySourceChange();
    return opened;
}

void ApplicationScene::chooseFile()
{
    sourcePanel.chooserMessage.clear();
    chooser.open(windowId);
}

void ApplicationScene::takeDesktopFiles()
{
    if (chooser.isOpen()) {
        if (const std::optional<FileChooser::Outcome_t> outcome = chooser.poll()) {
            using Status = FileChooser::Outcome_t::Status;
            if (outcome->status == Status::Chosen) {
                openFile(outcome->path);
            } else if (outcome->status == Status::Unavailable) {
                sourcePanel.chooserMessage = outcome->message;
                std::cerr << "Dravik: " << outcome->message << '\n';
                selectSource(SourceKind::File);
            }
        }
    }
    if (fileDrop) {
        // Of several files dropped at once, the first is opened.
        const std::vector<std::string> dropped = fileDrop->poll();
        if (!dropped.empty()) {
            openFile(dropped.front());
        }
    }
}

bool ApplicationScene::selectSource(SourceKind kind)
{
    const bool selected = sources.select(kind);
    applySourceChange();
    return selected;
}

void ApplicationScene::applySourceChange()
{
    if (sources.takeAnalysisChange())
        setAnalysisSampleRate(sources.sampleRate(generatorRate));
}

void ApplicationScene::setMuted(bool mute)
{
    muted = mute;
}

void ApplicationScene::selectMapper(MapperType type)
{
    // The new wrapper is complete before the old one goes.
    mapper = makeMapperWrapper(type, fftParams.windowSize, analysisRate);
}

void ApplicationScene::selectWindowSize(std::int32_t index)
{
    if (index < 0 || index >= fftSizeItemCount)
        return;
    FFTParams_t params = fftParams;
    params.windowSize = windowSizeOfItem(index);
    applyFFTParams(params);
}

void ApplicationScene::applyFFTParams(const FFTParams_t& params)
{
    fftParams = params;
    // NaN is taken as 0, like every other value below the range.
    fftParams.hopRate = params.hopRate > 0.0f ? std::min(params.hopRate, 1.0f) : 0.0f;
    // The new analyser is complete before the old one goes; it starts empty,
    // so the notes sounding end and the tracker's clock starts again.
    auto next = std::make_unique<TrackingAnalyser>(fftParams, tracker.params().lowWindowSize);
    endTrackedNotes();
    clockBaseSeconds = trackedSeconds();
    clockBaseSamples = 0;
    analyser = std::move(next);
    mapper->params()->fftSize = fftParams.windowSize;
    spectrum.fftSize = fftParams.windowSize;
    if (ISignalSource* live = sources.realTimeSource())
        live->restartAnalysis();
}

void ApplicationScene::resetLayout()
{
    layout.requestReset();
}

void ApplicationScene::stopSound()
{
    player.stop();
    sources.stopOutput();
    playing = false;
}

void ApplicationScene::resetView()
{
    viewContext.worldView().reset(windowSize);
}

namespace {

// Copies the options the panels edit; the rate and window length stay the
// mapper's own, as they follow the analysis.
template <typename Params>
void copyMapperOptions(const Params& from, Params& to)
{
    const double rate = to.sampleRate;
    const std::uint32_t size = to.fftSize;
    to = from;
    to.sampleRate = rate;
    to.fftSize = size;
}

} // namespace

Session_t ApplicationScene::captureSession() const
{
    Session_t s;
    for (const GeneratorEntry& entry : generators) {
        const OscillatorParams_t& params = *entry.oscillator.params();
        s.generators.push_back(
            {static_cast<std::int32_t>(entry.number), entry.enabled, params.frequency, params.amplitude});
    }
    s.generatorCounter = static_cast<std::int32_t>(generatorCounter);
    s.fft = fftParams;
    s.sampleRate = generatorRate;
    s.muted = muted;
    s.mapper = mapper->type();
    s.gaussian = idleGaussianOptions;
    s.energy = idleEnergyOptions;
    if (s.mapper == MapperType::GaussianCents)
        s.gaussian = *static_cast<const GaussianCentsMapperParams_t*>(mapper->params());
    else
        s.energy = *static_cast<const NoteEnergyParams_t*>(mapper->params());
    s.tracker = tracker.params();
    s.linearGrid = spectrum.showLinearGrid;
    s.logGrid = spectrum.showLogGrid;
    s.logFrequencyAxis = spectrum.getFrequencyScale() == FrequencyScale::Logarithmic;
    s.decibels = spectrum.getPowerScale() == PowerScale::Decibels;
    s.historySpan = history.display().getSpan();
    s.spectrogram = history.display().showSpectrogram;
    s.source = sources.active();
    s.filePath = sources.filePath();
    s.recentFiles = sources.recentFiles().paths();
    return s;
}

void ApplicationScene::restoreSession(const Session_t& s)
{
    setSampleRate(s.sampleRate);
    applyFFTParams(s.fft);
    selectMapper(s.mapper);
    idleGaussianOptions = s.gaussian;
    idleEnergyOptions = s.energy;
    if (s.mapper == MapperType::GaussianCents)
        copyMapperOptions(s.gaussian, *static_cast<GaussianCentsMapperParams_t*>(mapper->params()));
    else
        copyMapperOptions(s.energy, *static_cast<NoteEnergyParams_t*>(mapper->params()));
    copyTrackerOptions(s.tracker, tracker.params());

    while (!generators.empty())
        deleteGenerator(generators.size() - 1);
    for (const SessionGenerator_t& saved : s.generators) {
        // Each generator keeps its number, so its name and voice stay the same.
        generatorCounter = static_cast<std::uint32_t>(saved.number - 1);
        if (!addGenerator())
            break;
        setGeneratorEnabled(generators.size() - 1, saved.enabled);
        OscillatorParams_t& params = *generators.back().oscillator.params();
        params.frequency = saved.frequency;
        params.amplitude = saved.amplitude;
    }
    generatorCounter = static_cast<std::uint32_t>(s.generatorCounter);
    for (const SessionGenerator_t& saved : s.generators)
        generatorCounter = std::max(generatorCounter, static_cast<std::uint32_t>(saved.number));

    spectrum.showLinearGrid = s.linearGrid;
    spectrum.showLogGrid = s.logGrid;
    spectrum.setFrequencyScale(s.logFrequencyAxis ? FrequencyScale::Logarithmic : FrequencyScale::Linear);
    spectrum.setPowerScale(s.decibels ? PowerScale::Decibels : PowerScale::Linear);
    history.display().setSpan(static_cast<float>(s.historySpan));
    history.display().showSpectrogram = s.spectrogram;

    for (auto file = s.recentFiles.rbegin(); file != s.recentFiles.rend(); ++file)
        sources.rememberFile(*file);
    if (s.source == SourceKind::File && !s.filePath.empty())
        openFile(s.filePath);
    else if (s.source != SourceKind::Generators)
        selectSource(s.source);
    setMuted(s.muted);
}

} // namespace dravik
