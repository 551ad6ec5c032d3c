// Draws the program's icon: a black pulse-shaped waveform line (flat, a small
// peak, a tall peak, a dip, flat again) on an opaque white square, and writes
// it as a PNG of the requested side (409 pixels by default). Run at build
// time: the program embeds the 409-pixel window icon, and the install carries
// the desktop icons drawn at 48, 128 and 256 pixels.
#include <SFML/Graphics/Image.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The drawing is designed on a square of this side and scaled to the one asked for.
constexpr unsigned designSide = 409;
constexpr float halfWidth = 9.0f;
constexpr unsigned smallestSide = 16;
constexpr unsigned largestSide = 4096;

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

// The side given on the command line, or 0 when it is not a whole number in range.
unsigned parseSide(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < static_cast<long>(smallestSide) ||
        value > static_cast<long>(largestSide))
        return 0;
    return static_cast<unsigned>(value);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <output.png> [side in pixels, %u to %u; default %u]\n", argv[0], smallestSide,
                     largestSide, designSide);
        return 2;
    }
    const unsigned side = argc == 3 ? parseSide(argv[2]) : designSide;
    if (side == 0) {
        std::fprintf(stderr, "%s: the side must be a whole number of pixels from %u to %u, not '%s'\n", argv[0],
                     smallestSide, largestSide, argv[2]);
        return 2;
    }

    // Each pixel is measured in design units, so the line keeps its shape and
    // relative thickness at every size; it never gets thinner than one pixel.
    const float scale = static_cast<float>(designSide) / static_cast<float>(side);
    const float inkHalfWidth = std::max(halfWidth, 0.5f * scale);
    sf::Image image;
    image.create(side, side, sf::Color::White);
    for (unsigned y = 0; y < side; ++y) {
        for (unsigned x = 0; x < side; ++x) {
            const Point centre{(static_cast<float>(x) + 0.5f) * scale, (static_cast<float>(y) + 0.5f) * scale};
            // One pixel of linear falloff at the edge keeps the line smooth.
            const float ink = std::clamp((inkHalfWidth - distanceToWave(centre)) / scale + 0.5f, 0.0f, 1.0f);
            const auto level = static_cast<sf::Uint8>(std::lround(255.0f * (1.0f - ink)));
            image.setPixel(x, y, sf::Color(level, level, level, 255));
        }
    }
    return image.saveToFile(argv[1]) ? 0 : 1;
}
