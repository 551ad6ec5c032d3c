// Draws the window icon: a black pulse-shaped waveform line (flat, a small
// peak, a tall peak, a dip, flat again) on an opaque white square, and writes
// it as a PNG. Run at build time; the program embeds the file.
#include <SFML/Graphics/Image.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr unsigned side = 409;
constexpr float halfWidth = 9.0f;

struct Point {
    float x;
    float y;
};

// The waveform as a polyline in pixel coordinates; y grows downwards.
constexpr std::array<Point, 10> wave{{
    {14.0f, 236.0f},
    {112.0f, 236.0f},
    {140.0f, 190.0f},
    {168.0f, 236.0f},
    {196.0f, 236.0f},
    {232.0f, 56.0f},
    {270.0f, 338.0f},
    {298.0f, 236.0f},
    {330.0f, 236.0f},
    {395.0f, 236.0f},
}};

float distanceToSegment(Point p, Point a, Point b)
{
    const float abx = b.x - a.x;
    const float aby = b.y - a.y;
    const float lengthSquared = abx * abx + aby * aby;
    float t = 0.0f;
    if (lengthSquared > 0.0f)
        t = std::clamp(((p.x - a.x) * abx + (p.y - a.y) * aby) / lengthSquared, 0.0f, 1.0f);
    const float dx = p.x - (a.x + t * abx);
    const float dy = p.y - (a.y + t * aby);
    return std::sqrt(dx * dx + dy * dy);
}

float distanceToWave(Point p)
{
    float best = distanceToSegment(p, wave[0], wave[1]);
    for (std::size_t i = 1; i + 1 < wave.size(); ++i)
        best = std::min(best, distanceToSegment(p, wave[i], wave[i + 1]));
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
        return 2;
    }

    sf::Image image;
    image.create(side, side, sf::Color::White);
    for (unsigned y = 0; y < side; ++y) {
        for (unsigned x = 0; x < side; ++x) {
            const Point centre{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
            // One pixel of linear falloff at the edge keeps the line smooth.
            const float ink = std::clamp(halfWidth + 0.5f - distanceToWave(centre), 0.0f, 1.0f);
            const auto level = static_cast<sf::Uint8>(std::lround(255.0f * (1.0f - ink)));
            image.setPixel(x, y, sf::Color(level, level, level, 255));
        }
    }
    return image.saveToFile(argv[1]) ? 0 : 1;
}
