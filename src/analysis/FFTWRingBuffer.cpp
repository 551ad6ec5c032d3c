#include "analysis/FFTWRingBuffer.h"

#include <fftw3.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <mutex>

namespace dravik {

namespace {

// Blocks the ring holds, or 0 when the window is not a whole number of blocks
// or too long for FFTW's int-sized transforms.
std::uint64_t ringBlocks(const FFTParams_t& params)
{
    if (params.blockSize == 0 || params.windowSize % params.blockSize != 0 ||
        params.windowSize > static_cast<std::uint32_t>(INT_MAX)) {
        return 0;
    }
    return blocksPerWindow(params);
}

// One plan per transform length, made the first time the length is seen and
// kept for the life of the process: rebuilding an analyser (a dragged hop
// slider does so every frame) then plans nothing. A plan runs on any pair of
// out-of-place arrays aligned as fftw_alloc aligns them. FFTW's planner is not
// thread-safe, so planning is serialised here.
class PlanCache {
public:
    PlanCache() = default;
    PlanCache(const PlanCache&) = delete;
    PlanCache& operator=(const PlanCache&) = delete;
    ~PlanCache()
    {
        for (const auto& entry : plans)
            fftw_destroy_plan(entry.second);
    }

    // FFTW_ESTIMATE plans by heuristics: no trial transforms, and the arrays
    // are left untouched.
    fftw_plan planFor(int n, double* input, fftw_complex* output)
    {
        const std::lock_guard<std::mutex> lock(guard);
        fftw_plan& plan = plans[n];
        if (plan == nullptr)
            plan = fftw_plan_dft_r2c_1d(n, input, output, FFTW_ESTIMATE);
        return plan;
    }

private:
    std::mutex guard;
    std::map<int, fftw_plan> plans;
};

fftw_plan cachedPlan(int n, double* input, fftw_complex* output)
{
    static PlanCache cache;
    return cache.planFor(n, input, output);
}

} // namespace

void FFTWRingBuffer::FFTWFree::operator()(void* memory) const
{
    fftw_free(memory);
}

FFTWRingBuffer::FFTWRingBuffer(FFTParams_t params)
    : windowing(createWindowing(params.windowingType))
    , settings(params)
    , ring(params.blockSize, ringBlocks(params), params.hopRate)
{
    const std::uint64_t n = ring.window().count;
    windowing->initialize(n);
    if (n == 0) {
        return;
    }
    binCount = settings.windowSize / 2 + 1;
    bins.assign(binCount, SpectrumBin{0.0, 0.0});
    frame.reset(fftw_alloc_real(n));
    std::fill(frame.get(), frame.get() + n, 0.0);
    fftOut.reset(fftw_alloc_complex(binCount));
    for (std::uint32_t k = 0; k < binCount; ++k) {
        fftOut[k][0] = 0.0;
        fftOut[k][1] = 0.0;
    }
    plan = cachedPlan(static_cast<int>(n), frame.get(), fftOut.get());
}

bool FFTWRingBuffer::isReady() const
{
    return plan != nullptr && ring.isReady();
}

std::uint64_t FFTWRingBuffer::blocksUntilReady() const
{
    return plan != nullptr ? ring.blocksUntilReady() : 0;
}

void FFTWRingBuffer::reset()
{
    ring.reset();
}

bool FFTWRingBuffer::pushBlock(const double* samples, std::uint64_t count)
{
    return ring.push(samples, count);
}

MagnitudeSpectrum FFTWRingBuffer::compute()
{
    if (!isReady()) {
        return {};
    }
    const ArrayView<double> window = ring.window();
    windowing->apply(window.data, frame.get(), window.count);
    fftw_execute_dft_r2c(plan, frame.get(), fftOut.get());

    const double scale = 1.0 / static_cast<double>(settings.windowSize);
    const double coherentGain = windowing->coherentGain();
    const double rmsGain = windowing->rmsGain();
    // A window whose gains are 0 passes no signal at all: its bins stay 0.
    const double powerScale = rmsGain != 0.0 ? 1.0 / (rmsGain * rmsGain) : 0.0;
    const double edgeScale = coherentGain != 0.0 ? scale / coherentGain : 0.0;
    // Single-sided: DC and Nyquist have no mirror image, every other bin is doubled.
    const double innerScale = edgeScale + edgeScale;
    const auto setBin = [&](std::uint32_t k, double factor) {
        const double re = fftOut[k][0];
        const double im = fftOut[k][1];
        const double m = std::sqrt(re * re + im * im) * factor;
        bins[k].magnitude = m;
        bins[k].power = (m * m) * powerScale;
    };
    const std::uint32_t last = binCount - 1;
    setBin(0, edgeScale);
    for (std::uint32_t k = 1; k < last; ++k)
        setBin(k, innerScale);
    if (last != 0)
        setBin(last, edgeScale);
    return {bins.data(), binCount};
}

} // namespace dravik
