#pragma once

#include "EmbeddedResources.h"

#include <iosfwd>

namespace sf {
class Image;
} // namespace sf

namespace dravik {

// Decodes the window icon from its PNG bytes. On failure says so on `errors`
// and returns false; the program then goes on without an icon.
bool decodeWindowIcon(sf::Image& icon, resources::ByteView png, std::ostream& errors);

} // namespace dravik
