#include "app/WindowIcon.h"

#include <SFML/Graphics/Image.hpp>

#include <ostream>

namespace dravik {

bool decodeWindowIcon(sf::Image& icon, resources::ByteView png, std::ostream& errors)
{
    if (png.data != nullptr && png.size > 0 && icon.loadFromMemory(png.data, png.size))
        return true;
    errors << "dravik: the embedded window icon could not be decoded; the window opens without it\n";
    return false;
}

} // namespace dravik
