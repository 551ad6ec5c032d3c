#include "app/WindowPlacement.h"

#include <algorithm>
#include <cstdint>

namespace dravik {

namespace {

int centredOffset(unsigned desktop, unsigned window)
{
    const std::int64_t offset = (static_cast<std::int64_t>(desktop) - static_cast<std::int64_t>(window)) / 2;
    return static_cast<int>(std::max<std::int64_t>(offset, 0));
}

} // namespace

sf::Vector2i centredWindowPosition(sf::Vector2u desktopSize, sf::Vector2u windowSize)
{
    return {centredOffset(desktopSize.x, windowSize.x), centredOffset(desktopSize.y, windowSize.y)};
}

} // namespace dravik
