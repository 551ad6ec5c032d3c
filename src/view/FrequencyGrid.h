#pragma once

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Rect.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace dravik {

// How frequency runs across the plot: evenly in Hz, or evenly in octaves.
enum class FrequencyScale : std::uint8_t { Linear, Logarithmic };

// The frequency range shown across the plot's width.
struct FrequencyAxis_t {
    double minFrequency; // Hz at x = left
    double maxFrequency; // Hz at x = left + width
    float left;
    float width;
    FrequencyScale scale = FrequencyScale::Linear;
};

// x of a frequency on the axis; left when the range is empty or reversed (or,
// on a logarithmic axis, does not start above 0 Hz). Frequencies outside the
// range map outside the plot (they are not clipped); on a logarithmic axis 0 Hz
// and below lie far to the left.
float frequencyToX(const FrequencyAxis_t& axis, double frequency);

// The frequency at x: the inverse of frequencyToX; minFrequency when the axis
// has no usable range or width.
double xToFrequency(const FrequencyAxis_t& axis, float x);

// Fills ticks with count frequencies evenly spaced in whole analyser bins, from
// the bin at or below minFrequency to the bin at or above maxFrequency. Empty
// when count < 2, when the bin width sampleRate / fftSize is not a positive
// finite number, when either end falls outside bins 0 .. 2^53, or when count
// exceeds maxLinearTicks.
void linearTicks(double minFrequency, double maxFrequency, std::uint64_t fftSize, double sampleRate,
                 std::uint32_t count, std::vector<double>& ticks);

// Bounds the work and memory of one linear grid whatever count is typed.
inline constexpr std::uint32_t maxLinearTicks = 1024;

// One candidate line of the logarithmic grid.
struct LogTick {
    double frequency;   // d * 10^p, d in 1 .. 9
    bool major;         // d is 1, 2 or 5
    std::int32_t level; // label priority: 0 for d = 1, 1 for 2, 2 for 5, 99 otherwise
};

inline constexpr std::int32_t logLabelLevels = 3; // levels 0, 1 and 2 carry labels

// Fills ticks, in ascending frequency, with every d * 10^p inside
// [minFrequency, maxFrequency] (limits included). Empty unless
// 0 < minFrequency < maxFrequency < infinity.
void logTicks(double minFrequency, double maxFrequency, std::vector<LogTick>& ticks);

// "32 Hz", "999 Hz", "1000 Hz" (999.6 rounds up but stays in Hz), "1.0 kHz", "5.6 kHz".
std::string formatFrequency(double frequency);

// Log labels keep this far from either plot edge.
inline constexpr float logLabelEdgeMargin = 16.f;
// Log labels keep at least this gap between their horizontal extents.
inline constexpr float logLabelMinGap = 8.f;

// Whether a log label centred at x keeps its margin from both plot edges.
bool logLabelFits(float x, float left, float width);

// Whether two label bounds overlap horizontally or come closer than the minimum gap.
bool logLabelsCollide(const sf::FloatRect& a, const sf::FloatRect& b);

namespace gridstyle {
inline constexpr unsigned labelCharacterSize = 11;
inline constexpr float linearLabelOffset = 4.f; // below the plot's bottom edge
inline constexpr float logLabelOffset = 18.f;   // second row, under the linear labels
inline const sf::Color linearLine{70, 70, 70, 255};
inline const sf::Color logMajorLine{140, 140, 90, 255};
inline const sf::Color logMinorLine{55, 55, 40, 255};
inline const sf::Color linearLabel{130, 130, 130, 255};
} // namespace gridstyle

// Colour of a log label by its level (0, 1 or 2).
sf::Color logLabelColour(std::int32_t level);

} // namespace dravik
