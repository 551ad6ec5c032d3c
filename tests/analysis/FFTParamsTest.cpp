#include "analysis/FFTParams.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

TEST(FFTParams, BlocksPerWindow)
{
    FFTParams_t params;
    EXPECT_EQ(blocksPerWindow(params), 32u);
    params.blockSize = 0;
    EXPECT_EQ(blocksPerWindow(params), 0u);
}

} // namespace
} // namespace dravik
