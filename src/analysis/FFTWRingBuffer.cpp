#include "analysis/FFTWRingBuffer.h"

#include <fftw3.h>

#include <algorithm>
#include <climits>
#include <cmath>

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

} // namespace

void FFTWRingBuffer::FFTWFree::operator()(void* memory) const
{
    fftw_free(memory);
}

void FFTWRingBuffer::FFTWPlanDestroy::operator()(fftw_plan_s* fftPlan) const
{
    fftw_destroy_plan(fftPlan);
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
    // FFTW_ESTIMATE plans by heuristics: no trial transforms, and the arrays
    // are left untouched.
    plan.reset(fftw_plan_dft_r2c_1d(static_cast<int>(n), frame.get(), fftOut.get(), FFTW_ESTIMATE));
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
    fftw_execute(plan.get());

    const double scale = 1.0 / static_cast<double>(settings.windowSize);
    const double coherentGain = windowing->coherentGain();
    const double rmsGain = windowing->rmsGain();
    // A window whose gains are 0 passes no signal at all: its bins stay 0.
    const double powerScale = rmsGain != 0.0 ? 1.0 / (rmsGain * rmsGain) : 0.0;
    const std::uint32_t last = binCount - 1;
    for (std::uint32_t k = 0; k < binCount; ++k) {
        const double re = fftOut[k][0];
        const double im = fftOut[k][1];
        double m = std::sqrt(re * re + im * im) * scale;
        if (k != 0 && k != last) {
            m = m + m; // single-sided: DC and Nyquist have no mirror image
        }
        m = coherentGain != 0.0 ? m / coherentGain : 0.0;
        bins[k].magnitude = m;
        bins[k].power = (m * m) * powerScale;
    }
    return {bins.data(), binCount};
}

} // namespace dravik
