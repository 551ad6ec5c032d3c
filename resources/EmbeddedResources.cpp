#include "EmbeddedResources.h"

namespace dravik::resources {

extern const unsigned char notoMonoRegular[];
extern const std::size_t notoMonoRegularSize;
extern const unsigned char windowIconPng[];
extern const std::size_t windowIconPngSize;

ByteView font()
{
    return {notoMonoRegular, notoMonoRegularSize};
}

ByteView windowIcon()
{
    return {windowIconPng, windowIconPngSize};
}

} // namespace dravik::resources
