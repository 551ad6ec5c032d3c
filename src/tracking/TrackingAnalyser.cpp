#include "tracking/TrackingAnalyser.h"

namespace dravik {

TrackingAnalyser::TrackingAnalyser(const FFTParams_t& params, std::uint32_t lowWindowSize)
    : fft(params)
    , low(lowWindowSize, params.blockSize)
{
}

void TrackingAnalyser::reset()
{
    fft.reset();
    low.reset();
    hops.reset();
}

bool TrackingAnalyser::pushBlock(const double* samples, std::uint64_t count)
{
    if (!fft.pushBlock(samples, count))
        return false;
    low.pushBlock(samples, count);
    hops.push(samples, count);
    pushed += count;
    return true;
}

} // namespace dravik
