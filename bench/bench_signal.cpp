#include "analysis/FFTWRingBuffer.h"
#include "audio/BlockMixer.h"
#include "audio/BlockOscillator.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace dravik;

constexpr std::uint32_t kBlockSize = 128;

BlockOscillator makeOscillator()
{
    return BlockOscillator(OscillatorParams_t{440.0, 44100.0, 0.0, static_cast<double>(0.8f)});
}

std::vector<double> testTone(std::uint64_t n)
{
    std::vector<double> samples(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        samples[i] = 0.8 * std::sin(6.283185307179586 * 440.0 * static_cast<double>(i) / 44100.0);
    }
    return samples;
}

// One analysis window of one generator, as rendered every frame.
void BM_OscillatorRenderWindow(benchmark::State& state)
{
    const auto windowSize = static_cast<std::uint32_t>(state.range(0));
    BlockOscillator osc = makeOscillator();
    for (auto _ : state) {
        const SampleBlock block = osc.render(kBlockSize, windowSize / kBlockSize);
        benchmark::DoNotOptimize(block.data);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_OscillatorRenderWindow)->Arg(4096)->Arg(262144);

// Adding a second generator's window onto the first.
void BM_MixerAdd(benchmark::State& state)
{
    const std::vector<double> samples = testTone(static_cast<std::uint64_t>(state.range(0)));
    const SampleBlock block{samples.data(), samples.size()};
    BlockMixer mixer;
    mixer.add(block);
    for (auto _ : state) {
        mixer.count = 1;
        benchmark::DoNotOptimize(mixer.add(block));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MixerAdd)->Arg(4096)->Arg(262144);

// One window of blocks pushed, then one spectrum: the worst case of a frame.
void BM_RingPushWindowAndCompute(benchmark::State& state)
{
    const auto windowSize = static_cast<std::uint32_t>(state.range(0));
    FFTParams_t params;
    params.windowSize = windowSize;
    FFTWRingBuffer fft(params);
    const std::vector<double> samples = testTone(windowSize);
    for (auto _ : state) {
        for (std::uint32_t start = 0; start < windowSize; start += kBlockSize) {
            fft.pushBlock(samples.data() + start, kBlockSize);
        }
        const MagnitudeSpectrum spectrum = fft.compute();
        if (spectrum.empty()) {
            state.SkipWithError("no hop completed");
            break;
        }
        benchmark::DoNotOptimize(spectrum.data);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RingPushWindowAndCompute)->Arg(4096)->Arg(65536)->Arg(262144)->Unit(benchmark::kMicrosecond);

// Replacing the analyser as the options panel does on every frame of a
// hop-rate drag: the new one is built while the old one still exists.
void BM_AnalyserRebuild(benchmark::State& state)
{
    FFTParams_t params;
    params.windowSize = static_cast<std::uint32_t>(state.range(0));
    std::unique_ptr<IFFT> analyser = std::make_unique<FFTWRingBuffer>(params);
    for (auto _ : state) {
        analyser = std::make_unique<FFTWRingBuffer>(params);
        benchmark::DoNotOptimize(analyser.get());
    }
}
BENCHMARK(BM_AnalyserRebuild)->Arg(4096)->Arg(65536)->Arg(262144)->Unit(benchmark::kMicrosecond);

} // namespace
