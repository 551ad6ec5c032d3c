#include "app/SceneSession.h"

namespace dravik {

Session_t captureSession(const ApplicationScene& scene)
{
    const SourceStage& sources = scene.sourceStage();
    const AnalysisEngine& engine = scene.analysis();
    const FFTDebugView& spectrum = scene.spectrumDisplay();
    const HistoryView& history = scene.historyPane().display();
    Session_t s;
    const GeneratorSource& bank = sources.generators();
    for (const GeneratorEntry& entry : bank.entries()) {
        const OscillatorParams_t& params = *entry.oscillator.params();
        s.generators.push_back(
            {static_cast<std::int32_t>(entry.number), entry.enabled, params.frequency, params.amplitude});
    }
    s.generatorCounter = static_cast<std::int32_t>(bank.counter());
    s.fft = engine.fftParams();
    s.sampleRate = bank.sampleRate();
    s.muted = scene.isMuted();
    s.mapper = engine.mapper().type();
    s.gaussian = engine.gaussianOptions();
    s.energy = engine.harmonicOptions();
    s.tracker = engine.trackerSettings();
    s.linearGrid = spectrum.showLinearGrid;
    s.logGrid = spectrum.showLogGrid;
    s.logFrequencyAxis = spectrum.getFrequencyScale() == FrequencyScale::Logarithmic;
    s.decibels = spectrum.getPowerScale() == PowerScale::Decibels;
    s.historySpan = history.getSpan();
    s.spectrogram = history.showSpectrogram;
    s.source = sources.active();
    s.filePath = sources.filePath();
    s.recentFiles = sources.recentFiles().paths();
    return s;
}

void restoreSession(ApplicationScene& scene, const Session_t& s)
{
    scene.setSampleRate(s.sampleRate);
    scene.applyFFTParams(s.fft);
    scene.selectMapper(s.mapper);
    scene.analysis().restoreMapperOptions(s.gaussian);
    scene.analysis().restoreMapperOptions(s.energy);
    copyTrackerOptions(s.tracker, scene.trackerSettings());

    GeneratorSource& bank = scene.sourceStage().generators();
    std::vector<std::uint32_t> numbers;
    for (const SessionGenerator_t& saved : s.generators)
        numbers.push_back(static_cast<std::uint32_t>(saved.number));
    bank.restore(numbers, static_cast<std::uint32_t>(s.generatorCounter));
    for (std::size_t i = 0; i < bank.entries().size(); ++i) {
        const SessionGenerator_t& saved = s.generators[i];
        bank.setEnabled(i, saved.enabled);
        OscillatorParams_t& params = *bank.entries()[i].oscillator.params();
        params.frequency = saved.frequency;
        params.amplitude = saved.amplitude;
    }

    FFTDebugView& spectrum = scene.spectrumView();
    spectrum.showLinearGrid = s.linearGrid;
    spectrum.showLogGrid = s.logGrid;
    spectrum.setFrequencyScale(s.logFrequencyAxis ? FrequencyScale::Logarithmic : FrequencyScale::Linear);
    spectrum.setPowerScale(s.decibels ? PowerScale::Decibels : PowerScale::Linear);
    scene.historyView().setSpan(static_cast<float>(s.historySpan));
    scene.historyView().showSpectrogram = s.spectrogram;

    for (auto file = s.recentFiles.rbegin(); file != s.recentFiles.rend(); ++file)
        scene.rememberFile(*file);
    if (s.source == SourceKind::File && !s.filePath.empty())
        scene.openFile(s.filePath);
    else if (s.source != SourceKind::Generators)
        scene.selectSource(s.source);
    scene.setMuted(s.muted);
}

} // namespace dravik
