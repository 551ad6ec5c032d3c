#pragma once

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Drawable.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Text.hpp>
#include <SFML/System/String.hpp>
#include <SFML/System/Vector2.hpp>

#include <cstddef>
#include <string>
#include <vector>

namespace dravik {

// A list of text labels, each with its top at its position and, by default,
// centred horizontally on it. Cleared and refilled on every rebuild; the texts and their
// strings are kept and overwritten, so a steady rebuild allocates nothing.
class LabelRow : public sf::Drawable {
public:
    // Appends a label and returns it, already placed; alignX is the share of
    // its width left of the position (0.5 centres it, 0 starts it there).
    const sf::Text& add(const sf::Font& font, const std::string& text, unsigned characterSize, sf::Color colour,
                        sf::Vector2f position, float alignX = 0.5f);
    // Takes back the label added last.
    void removeLast();
    void clear();

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    const sf::Text& operator[](std::size_t i) const { return texts[i]; }

private:
    void draw(sf::RenderTarget& target, sf::RenderStates states) const override;

    std::vector<sf::Text> texts; // the first count are in use
    std::size_t count = 0;
    sf::String scratch; // reused to hand strings to the texts
};

} // namespace dravik
