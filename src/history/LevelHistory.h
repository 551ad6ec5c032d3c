#pragma once

#include "analysis/MagnitudeSpectrum.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dravik {

// Rows of a spectrogram column on the note row's layout: rowsPerNote equal
// rows across each note's column, from the lower half of firstNote's column
// to the upper half of lastNote's, so rows run evenly in cents.
struct SpectrogramLayout_t {
    std::int32_t firstNote = 24;
    std::int32_t lastNote = 112;
    std::int32_t rowsPerNote = 4;

    std::size_t rowCount() const
    {
        return static_cast<std::size_t>(lastNote - firstNote + 1) * static_cast<std::size_t>(rowsPerNote);
    }
    // The fractional MIDI note at the centre of a row.
    double rowNote(std::size_t row) const;
};

// The dB scale the columns are kept on: values are clamped to it.
namespace spectrogramscale {
inline constexpr float floorDb = -100.0f;
inline constexpr float topDb = 0.0f;
} // namespace spectrogramscale

// The spectrogram's data: the latest analyses as columns of dB per row,
// oldest first, in a ring of fixed capacity chosen at construction
// (capacity * rowCount floats). A column holds, for each row, the strongest
// bin whose frequency falls in the row, or the bin nearest its centre where
// bins are wider than rows. Adding a column allocates nothing.
class LevelHistory {
public:
    LevelHistory(std::size_t capacity, SpectrogramLayout_t layout);

    // Appends one analysis taken with fftSize samples at sampleRate, at the
    // given time. An empty spectrum, or an fftSize or rate that gives no bin
    // width, adds nothing and returns false.
    bool add(MagnitudeSpectrum spectrum, std::uint64_t fftSize, double sampleRate, double seconds);
    void clear();

    const SpectrogramLayout_t& layout() const { return rows; }
    std::size_t rowCount() const { return rowTotal; }
    std::size_t size() const { return count; }
    std::size_t capacity() const { return times.size(); }
    // The i-th column (0 the oldest kept): rowCount dB values, lowest row first.
    const float* column(std::size_t i) const { return &values[slotOf(i) * rowTotal]; }
    double time(std::size_t i) const { return times[slotOf(i)]; }
    double timeAtSlot(std::size_t slot) const { return times[slot]; }
    // The ring slot the i-th column sits in: the textures of the view use the same slots.
    std::size_t slotOf(std::size_t i) const { return (first + i) % times.size(); }
    // The slot written by the latest add.
    std::size_t newestSlot() const { return slotOf(count - 1); }

private:
    void mapRows(std::uint64_t binCount, std::uint64_t fftSize, double sampleRate);

    SpectrogramLayout_t rows;
    std::size_t rowTotal;
    std::vector<float> values; // capacity columns of rowTotal values
    std::vector<double> times;
    std::size_t first = 0;
    std::size_t count = 0;
    // Each row's inclusive bin range for the current bin layout, remade only
    // when the window size, rate or bin count changes.
    std::vector<std::uint64_t> rowFirstBin;
    std::vector<std::uint64_t> rowLastBin;
    std::uint64_t mappedBins = 0;
    std::uint64_t mappedFftSize = 0;
    double mappedRate = 0.0;
};

} // namespace dravik
