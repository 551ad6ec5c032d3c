#include "analysis/FFTWRingBuffer.h"
#include "audio/GeneratorBank.h"
#include "mapping/GaussianCentsMapper.h"
#include "mapping/HarmonicEnergyMapper.h"
#include "shared/NoteFrequency.h"
#include "source/FrameSignal.h"
#include "view/FFTDebugView.h"
#include "view/HistoryPane.h"
#include "view/MidiDisplay.h"

#include <SFML/Window/Context.hpp>
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <ctime>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// The whole per-frame signal path in steady state, without drawing: the
// enabled generators render what the analyser needs, the mix is pushed, and a
// completed hop is transformed, mapped and handed to both displays and to the
// history, whose texture takes the new column and whose view is laid out
// again every frame. Each
// case's "floorRatio" counter is its CPU time per frame over that of the plain
// FFT of its window size (as BM_FFTFloor runs it), both measured in this process.
// The views build their labels' glyphs: run on a display (Xvfb will do).

namespace {

using namespace dravik;

constexpr std::uint32_t largestWindow = 262144;
constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr std::int32_t typedMaximum = std::numeric_limits<std::int32_t>::max();

struct FFTWFree {
    void operator()(void* memory) const { fftw_free(memory); }
};

// One real transform of n points, planned as the analyser plans it.
struct PlainTransform {
    explicit PlainTransform(std::uint32_t n)
        : input(fftw_alloc_real(n))
        , output(fftw_alloc_complex(n / 2 + 1))
    {
        std::fill(input.get(), input.get() + n, 0.25);
        plan = fftw_plan_dft_r2c_1d(static_cast<int>(n), input.get(), output.get(), FFTW_ESTIMATE);
    }
    ~PlainTransform() { fftw_destroy_plan(plan); }
    PlainTransform(const PlainTransform&) = delete;
    PlainTransform& operator=(const PlainTransform&) = delete;

    std::unique_ptr<double[], FFTWFree> input;
    std::unique_ptr<fftw_complex[], FFTWFree> output;
    fftw_plan plan;
};

double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// CPU seconds of one transform of n points: the median of several timed runs
// of at least 50 ms each, so that a busy machine skews it little.
double floorSeconds(std::uint32_t n)
{
    static std::map<std::uint32_t, double> known;
    const auto found = known.find(n);
    if (found != known.end())
        return found->second;
    PlainTransform transform(n);
    fftw_execute(transform.plan);
    std::vector<double> runs;
    for (int run = 0; run < 7; ++run) {
        const double start = threadSeconds();
        std::uint64_t count = 0;
        double elapsed = 0.0;
        do {
            fftw_execute(transform.plan);
            ++count;
            elapsed = threadSeconds() - start;
        } while (elapsed < 0.05);
        runs.push_back(elapsed / static_cast<double>(count));
    }
    std::nth_element(runs.begin(), runs.begin() + 3, runs.end());
    return known[n] = runs[3];
}

void BM_FFTFloor(benchmark::State& state)
{
    PlainTransform transform(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state) {
        fftw_execute(transform.plan);
        benchmark::DoNotOptimize(transform.output.get());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FFTFloor)->Arg(4096)->Arg(65536)->Arg(largestWindow)->Unit(benchmark::kMicrosecond);

enum class Mapping { Gaussian, Harmonic };

struct FrameCase_t {
    std::uint32_t generatorCount = 1;
    FFTParams_t fft;
    Mapping mapping = Mapping::Gaussian;
    GaussianCentsMapperParams_t gaussian;
    NoteEnergyParams_t harmonic;
    bool rebuildEveryFrame = false; // as a dragged hop slider does
    // The history's span and whether its note ring starts full of bars in view.
    float historySpan = 10.f;
    bool historyFull = false;
};

FrameCase_t defaults()
{
    FrameCase_t c;
    return c;
}

// Five generators, the largest window, Blackman, and the Gaussian mapper's
// sliders at their widest.
FrameCase_t sliderMax()
{
    FrameCase_t c;
    c.generatorCount = 5;
    c.fft.windowSize = largestWindow;
    c.fft.windowingType = WindowingType::Blackman;
    c.gaussian.harmonicCount = 12;
    c.gaussian.fundamentalBand.cutoffCents = 200.0;
    c.gaussian.harmonicBands.cutoffCents = 200.0;
    return c;
}

// The harmonic energy mapper's sliders at their maxima, except the hard gate:
// at its maximum it would skip the harmonic sum of nearly every note.
FrameCase_t harmonicMax()
{
    FrameCase_t c = sliderMax();
    c.mapping = Mapping::Harmonic;
    NoteEnergyParams_t& h = c.harmonic;
    h.harmonicCount = 12;
    h.powerFilter = 2.0;
    h.fundamentalBoost = 10.0;
    h.fundamentalSoftGate = 5.0;
    h.fundamentalFraction = 1.0;
    for (BinBandParams_t* band : {&h.fundamentalBand, &h.harmonicBands}) {
        band->radiusBins = 12;
        band->sigmaScale = 5.0;
        band->sigmaBins = 12.0;
    }
    return c;
}

// Typed values beyond the sliders, on the default signal: every band spans
// the whole spectrum and every harmonic below Nyquist counts.
FrameCase_t typedExtreme()
{
    FrameCase_t c;
    c.gaussian.harmonicCount = typedMaximum;
    c.gaussian.fundamentalBand.cutoffCents = infinity;
    c.gaussian.harmonicBands.cutoffCents = infinity;
    return c;
}

// Typed cutoffs of inf at the largest window, with the harmonic count at its
// slider maximum.
FrameCase_t typedCutoffs()
{
    FrameCase_t c = sliderMax();
    c.gaussian.fundamentalBand.cutoffCents = infinity;
    c.gaussian.harmonicBands.cutoffCents = infinity;
    return c;
}

// The harmonic energy mapper with typed radii and harmonic count at their limit.
FrameCase_t typedRadius()
{
    FrameCase_t c = harmonicMax();
    c.harmonic.harmonicCount = typedMaximum;
    c.harmonic.fundamentalBand.radiusBins = typedMaximum;
    c.harmonic.harmonicBands.radiusBins = typedMaximum;
    return c;
}

// The defaults with the history at its longest span, its note ring full of
// bars inside it, and a note starting and ending every tenth frame.
FrameCase_t history()
{
    FrameCase_t c;
    c.historySpan = 30.f;
    c.historyFull = true;
    return c;
}

FrameCase_t hopDrag()
{
    FrameCase_t c = sliderMax();
    c.rebuildEveryFrame = true;
    return c;
}

// The scene's signal path and displays, set up as the scene sets them.
struct Frame {
    explicit Frame(const FrameCase_t& c)
        : setup(c)
        , analyser(std::make_unique<FFTWRingBuffer>(c.fft))
    {
        std::uint32_t counter = 0;
        for (std::uint32_t i = 0; i < c.generatorCount; ++i) {
            addGenerator(generators, counter, 44100.0);
            generators.back().enabled = true;
            generators.back().oscillator.params()->frequency = 110.0 * (i + 1) + 3.0 * i;
        }
        GaussianCentsMapperParams_t gaussianParams = c.gaussian;
        gaussianParams.fftSize = c.fft.windowSize;
        NoteEnergyParams_t harmonicParams = c.harmonic;
        harmonicParams.fftSize = c.fft.windowSize;
        if (c.mapping == Mapping::Gaussian)
            mapper = std::make_unique<GaussianCentsMapper>(gaussianParams);
        else
            mapper = std::make_unique<HarmonicEnergyMapper>(harmonicParams);

        spectrumView.minFrequency = noteFrequency(24, 440.0);
        spectrumView.maxFrequency = noteFrequency(113, 440.0);
        spectrumView.limitToRange = true;
        spectrumView.fftSize = c.fft.windowSize;
        spectrumView.sampleRate = 44100.0;
        historyPane.display().setHeight(384.f);
        historyPane.display().setSpan(c.historySpan);
        if (c.historyFull) {
            // Chords of short notes over the last 30 s fill the ring.
            for (std::size_t i = 0; i < HistoryPane::noteCapacity; ++i) {
                const double at = -30.0 + 30.0 * static_cast<double>(i) / HistoryPane::noteCapacity;
                const auto note = static_cast<std::uint8_t>(36 + (i * 7) % 60);
                const NoteEvent_t events[2] = {{at, note, 90}, {at + 0.2, note, 0}};
                historyPane.addNotes({events, 2}, 0.0);
            }
        }
    }

    // One frame at 60 frames per second; true when it analysed.
    bool run()
    {
        if (setup.rebuildEveryFrame)
            analyser = std::make_unique<FFTWRingBuffer>(setup.fft);
        const bool analysed = pushNextHop(generators, mixer, *analyser, setup.fft.blockSize).hopCompleted;
        now += 1.0 / 60.0;
        if (analysed) {
            const MagnitudeSpectrum spectrum = analyser->compute();
            midiDisplay.update(mapper->map(spectrum));
            spectrumView.update(Spectrum_t{spectrum, 44100.0, setup.fft.windowSize});
            if (++frames % 10 == 0) {
                const NoteEvent_t events[2] = {{now, lastNote, 0},
                                               {now, static_cast<std::uint8_t>(48 + frames % 36), 90}};
                lastNote = events[1].note;
                historyPane.addNotes({events, 2}, 0.0);
            }
            historyPane.addSpectrum(Spectrum_t{spectrum, 44100.0, setup.fft.windowSize}, now);
        }
        midiDisplay.advance(1.0f / 60.0f);
        const ActiveNote_t sounding{lastNote, 90, -10.0};
        historyPane.update({&sounding, 1}, now, std::nullopt);
        return analysed;
    }

    FrameCase_t setup;
    std::vector<GeneratorEntry> generators;
    BlockMixer mixer;
    std::unique_ptr<IFFT> analyser;
    std::unique_ptr<IFrequencyMapper> mapper;
    FFTDebugView spectrumView;
    MidiDisplay midiDisplay;
    // The scene writes the history's texture with the window's context active.
    sf::Context context;
    HistoryPane historyPane;
    double now = 0.0;
    std::uint64_t frames = 0;
    std::uint8_t lastNote = 60;
};

void BM_Frame(benchmark::State& state, FrameCase_t (*makeCase)())
{
    const FrameCase_t c = makeCase();
    Frame frame(c);
    // Past the frame that fills the first window: from then on every frame
    // renders and analyses one hop.
    frame.run();
    const double start = threadSeconds();
    for (auto _ : state) {
        if (!frame.run()) {
            state.SkipWithError("a frame did not analyse");
            break;
        }
    }
    const double perFrame =
        (threadSeconds() - start) / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["floorRatio"] = perFrame / floorSeconds(c.fft.windowSize);
}

BENCHMARK_CAPTURE(BM_Frame, defaults, defaults)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, sliderMax, sliderMax)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, harmonicMax, harmonicMax)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, typedExtreme, typedExtreme)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, typedCutoffs, typedCutoffs)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, typedRadius, typedRadius)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, hopDrag, hopDrag)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, history, history)->Unit(benchmark::kMicrosecond);

} // namespace
