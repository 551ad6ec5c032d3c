#include "analysis/MagnitudeSpectrum.h"
#include "mapping/GaussianCentsMapper.h"
#include "mapping/HarmonicEnergyMapper.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using dravik::SpectrumBin;

constexpr double sampleRate = 44100.0;
constexpr double pi = 3.14159265358979323846;

// Normalised Hann main lobe at `offset` bins from a sinusoid's frequency.
double hannLobe(double offset)
{
    const double x = std::fabs(offset);
    if (x < 1e-9)
        return 1.0;
    if (std::fabs(x - 1.0) < 1e-9)
        return 0.5;
    if (x >= 2.0)
        return 0.0;
    return std::sin(pi * x) / (pi * x) / (1.0 - x * x);
}

// An A major triad with eight partials per voice (amplitudes 1/h) over a low
// pseudo-random noise floor, as the analyser would see it through a Hann window.
std::vector<SpectrumBin> chordSpectrum(std::uint32_t fftSize)
{
    std::vector<SpectrumBin> bins(fftSize / 2 + 1);
    std::uint32_t seed = 12345;
    for (SpectrumBin& bin : bins) {
        seed = seed * 1664525u + 1013904223u;
        bin.power = 1e-8 * (0.5 + static_cast<double>(seed >> 8) / 16777216.0);
    }
    const double spacing = sampleRate / fftSize;
    for (const double f0 : {110.0, 277.18, 329.63}) {
        for (int h = 1; h <= 8; ++h) {
            const double position = h * f0 / spacing;
            const double amplitude = 1.0 / h;
            const auto centre = static_cast<std::int64_t>(std::lround(position));
            for (std::int64_t k = centre - 2; k <= centre + 2; ++k) {
                if (k < 0 || k >= static_cast<std::int64_t>(bins.size()))
                    continue;
                const double a = amplitude * hannLobe(static_cast<double>(k) - position);
                bins[static_cast<std::size_t>(k)].power += a * a;
            }
        }
    }
    for (SpectrumBin& bin : bins)
        bin.magnitude = std::sqrt(bin.power);
    return bins;
}

template <typename Mapper, typename Params>
void runMapper(benchmark::State& state)
{
    const auto fftSize = static_cast<std::uint32_t>(state.range(0));
    const std::vector<SpectrumBin> bins = chordSpectrum(fftSize);
    Params params;
    params.fftSize = fftSize;
    params.harmonicCount = static_cast<std::int32_t>(state.range(1));
    Mapper mapper(params);
    const dravik::MagnitudeSpectrum spectrum{bins.data(), bins.size()};
    for (auto _ : state) {
        const dravik::NoteEnergyView notes = mapper.map(spectrum);
        benchmark::DoNotOptimize(notes.data);
        benchmark::ClobberMemory();
    }
}

void BM_GaussianCentsMapper(benchmark::State& state)
{
    runMapper<dravik::GaussianCentsMapper, dravik::GaussianCentsMapperParams_t>(state);
}

void BM_HarmonicEnergyMapper(benchmark::State& state)
{
    runMapper<dravik::HarmonicEnergyMapper, dravik::NoteEnergyParams_t>(state);
}

// Default harmonic counts (1 and 6) and the panel's maximum, 12.
BENCHMARK(BM_GaussianCentsMapper)
    ->ArgNames({"fftSize", "harmonics"})
    ->ArgsProduct({{4096, 262144}, {1, 12}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HarmonicEnergyMapper)
    ->ArgNames({"fftSize", "harmonics"})
    ->ArgsProduct({{4096, 262144}, {6, 12}})
    ->Unit(benchmark::kMicrosecond);

} // namespace
