#include "history/LevelHistory.h"

#include "analysis/PeakEstimate.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

// Hz of a fractional MIDI note, A4 (69) at 440 Hz as on the note row.
double fractionalNoteFrequency(double note)
{
    return 440.0 * std::exp2((note - 69.0) / 12.0);
}

} // namespace

double SpectrogramLayout_t::rowNote(std::size_t row) const
{
    return static_cast<double>(firstNote) - 0.5 + (static_cast<double>(row) + 0.5) / rowsPerNote;
}

LevelHistory::LevelHistory(std::size_t capacity, SpectrogramLayout_t layout)
    : rows(layout)
    , rowTotal(layout.rowCount())
    , values(std::max<std::size_t>(capacity, 1) * layout.rowCount(), spectrogramscale::floorDb)
    , times(std::max<std::size_t>(capacity, 1), 0.0)
    , rowFirstBin(layout.rowCount(), 0)
    , rowLastBin(layout.rowCount(), 0)
{
}

void LevelHistory::mapRows(std::uint64_t binCount, std::uint64_t fftSize, double sampleRate)
{
    const double binWidth = sampleRate / static_cast<double>(fftSize);
    const double halfRow = 0.5 / rows.rowsPerNote;
    const auto binOf = [&](double note) {
        const double bin = std::round(fractionalNoteFrequency(note) / binWidth);
        return static_cast<std::uint64_t>(std::clamp(bin, 0.0, static_cast<double>(binCount - 1)));
    };
    for (std::size_t row = 0; row < rowTotal; ++row) {
        const double centre = rows.rowNote(row);
        // Bins whose centres lie inside the row; where none does, the one nearest its centre.
        const double low = std::ceil(fractionalNoteFrequency(centre - halfRow) / binWidth);
        const double high = std::floor(fractionalNoteFrequency(centre + halfRow) / binWidth);
        if (high >= low && low < static_cast<double>(binCount)) {
            rowFirstBin[row] = static_cast<std::uint64_t>(low);
            rowLastBin[row] = std::min(binCount - 1, static_cast<std::uint64_t>(high));
        } else {
            rowFirstBin[row] = rowLastBin[row] = binOf(centre);
        }
    }
    mappedBins = binCount;
    mappedFftSize = fftSize;
    mappedRate = sampleRate;
}

bool LevelHistory::add(MagnitudeSpectrum spectrum, std::uint64_t fftSize, double sampleRate, double seconds)
{
    if (spectrum.empty() || fftSize == 0 || !(sampleRate > 0.0) || !std::isfinite(sampleRate))
        return false;
    if (spectrum.size() != mappedBins || fftSize != mappedFftSize || sampleRate != mappedRate)
        mapRows(spectrum.size(), fftSize, sampleRate);

    std::size_t slot = 0;
    if (count < times.size()) {
        slot = (first + count) % times.size();
        ++count;
    } else {
        slot = first;
        first = (first + 1) % times.size();
    }
    times[slot] = seconds;
    float* out = &values[slot * rowTotal];
    for (std::size_t row = 0; row < rowTotal; ++row) {
        double strongest = 0.0;
        for (std::uint64_t bin = rowFirstBin[row]; bin <= rowLastBin[row]; ++bin)
            strongest = std::max(strongest, spectrum[bin].power);
        const double db = powerDecibels(strongest);
        out[row] = static_cast<float>(std::clamp(db, static_cast<double>(spectrogramscale::floorDb),
                                                 static_cast<double>(spectrogramscale::topDb)));
    }
    return true;
}

void LevelHistory::clear()
{
    first = 0;
    count = 0;
}

} // namespace dravik
