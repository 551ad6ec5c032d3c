#include "EmbeddedResources.h"

namespace dravik::resources {

extern const unsigned char notoMonoRegular[];
extern const std::size_t notoMonoRegularSize;

ByteView font()
{
    return {notoMonoRegular, notoMonoRegularSize};
}

} // namespace dravik::resources
