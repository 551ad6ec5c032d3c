#include "view/LabelRow.h"

#include <SFML/Graphics/RenderTarget.hpp>

namespace dravik {

const sf::Text& LabelRow::add(const sf::Font& font, const std::string& text, unsigned characterSize, sf::Color colour,
                              sf::Vector2f position, float alignX)
{
    if (count == texts.size())
        texts.emplace_back();
    sf::Text& label = texts[count++];

    // Built one code point at a time: a short sf::String needs no heap, while
    // converting the whole std::string would allocate a temporary per label.
    scratch.clear();
    for (const char c : text)
        scratch += sf::String(static_cast<sf::Uint32>(static_cast<unsigned char>(c)));

    label.setFont(font);
    label.setString(scratch);
    label.setCharacterSize(characterSize);
    label.setFillColor(colour);
    const sf::FloatRect bounds = label.getLocalBounds();
    label.setOrigin(bounds.left + bounds.width * alignX, 0.f);
    label.setPosition(position);
    return label;
}

void LabelRow::removeLast()
{
    if (count > 0)
        --count;
}

void LabelRow::clear()
{
    count = 0;
}

void LabelRow::draw(sf::RenderTarget& target, sf::RenderStates states) const
{
    for (std::size_t i = 0; i < count; ++i)
        target.draw(texts[i], states);
}

} // namespace dravik
