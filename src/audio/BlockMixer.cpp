#include "audio/BlockMixer.h"

#include <algorithm>

namespace dravik {

bool BlockMixer::add(SampleBlock block)
{
    if (block.data == nullptr && block.count != 0) {
        return false;
    }
    if (count == 0) {
        sum.resize(block.count);
        std::copy(block.begin(), block.end(), sum.begin());
        count = 1;
        return true;
    }
    if (block.count != sum.size()) {
        return false;
    }
    for (std::uint64_t i = 0; i < block.count; ++i) {
        sum[i] = block[i] + sum[i];
    }
    ++count;
    return true;
}

} // namespace dravik
