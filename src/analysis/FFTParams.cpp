#include "analysis/FFTParams.h"

#include <cmath>

namespace dravik {

namespace {

// 2^(index + offset) as the options panel computes it; items outside the
// combos' range give 0 rather than a power beyond 32 bits.
std::uint32_t powerOfTwoItem(std::int32_t index, std::int32_t offset)
{
    if (index < 0 || index >= fftSizeItemCount)
        return 0;
    return static_cast<std::uint32_t>(std::pow(2.0, index + offset));
}

} // namespace

std::uint32_t windowSizeOfItem(std::int32_t index)
{
    return powerOfTwoItem(index, 12);
}

std::uint32_t blockSizeOfItem(std::int32_t index)
{
    return powerOfTwoItem(index, 6);
}

OverlapValue_t overlappingBlocks(const FFTParams_t& params)
{
    const float overlap = static_cast<float>(blocksPerWindow(params)) * (1.0f - params.hopRate);
    // Truncation is defined only within the 32-bit range.
    if (!(std::isfinite(overlap) && overlap > -2147483649.0f && overlap < 2147483648.0f))
        return {false, 0};
    return {true, static_cast<std::int32_t>(overlap)};
}

} // namespace dravik
