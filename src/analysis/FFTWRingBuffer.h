#pragma once

#include "analysis/BlockRingBuffer.h"
#include "analysis/IFFT.h"
#include "analysis/Windowing.h"

#include <cstdint>
#include <memory>
#include <vector>

struct fftw_plan_s;

namespace dravik {

// Real-input FFT analyser over a ring of blocks, with FFTW in double precision.
// Everything is allocated at construction, and the transform planned once per
// length for the whole process; pushing and computing allocate nothing.
// Construction is cheap enough to rebuild on every settings change. The window must be a whole number of blocks: with
// blockSize 0, a block longer than the window, or a window that is not a multiple of the block, the analyser accepts no
// block and never yields a spectrum. Construction may plan, which FFTW serialises behind a lock of ours.
class FFTWRingBuffer final : public IFFT {
public:
    explicit FFTWRingBuffer(FFTParams_t params);

    bool isReady() const override;
    std::uint64_t blocksUntilReady() const override;
    void reset() override;
    bool pushBlock(const double* samples, std::uint64_t count) override;
    MagnitudeSpectrum compute() override;

private:
    struct FFTWFree {
        void operator()(void* memory) const;
    };

    std::unique_ptr<IWindowing> windowing;
    FFTParams_t settings;
    std::uint32_t binCount = 0; // windowSize / 2 + 1, or 0 when the settings are refused
    BlockRingBuffer ring;
    std::vector<SpectrumBin> bins;
    std::unique_ptr<double[], FFTWFree> frame;     // the windowed copy the transform reads
    std::unique_ptr<double[][2], FFTWFree> fftOut; // binCount complex values
    fftw_plan_s* plan = nullptr;                   // shared by every analyser of this length; never freed here
};

} // namespace dravik
