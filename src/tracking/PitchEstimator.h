#pragma once

#include "analysis/MagnitudeSpectrum.h"
#include "shared/ArrayView.h"
#include "tracking/NoteTrackerParams.h"

#include <array>
#include <cstdint>
#include <vector>

namespace dravik {

// One note found in a frame, with its harmonic salience in dB of full scale
// (a full-scale sine gives 0 dB) and relative to the frame's strongest note.
struct NoteLevel_t {
    std::uint8_t note;
    double levelDb;
    double relativeDb;
};

using NoteLevelView = ArrayView<NoteLevel_t>;

// Spectral peak of a magnitude spectrum, refined by parabolic interpolation of
// the log magnitude around a local maximum.
struct SpectralPeak_t {
    double frequency; // Hz
    double amplitude; // single-sided, like the spectrum's magnitude
};

// Finds the notes of one frame by iterative estimation and cancellation: the
// most salient note (weighted sum of its partials' peak amplitudes) is taken,
// its partials are removed from the peaks up to a smooth spectral envelope,
// and the search repeats. A note at an overtone interval of a stronger one is
// therefore left only with what the stronger note's envelope cannot explain:
// its own evidence. A candidate needs a peak of its own at its fundamental, so
// sub-octaves of a played note, or the common root a chord's partials would
// suggest, never qualify.
// Buffers grow on the first frame only; later frames allocate nothing.
class PitchEstimator {
public:
    static constexpr std::int32_t maxHarmonics = 16;
    static constexpr std::int32_t noteCount = 128;

    // main: the analysis of every partial at or above the split note's
    // frequency; lowNotes: amplitudes per MIDI note from the longer analysis,
    // which tell the notes below it apart while their levels are read from
    // main (empty: the main analysis is read there too).
    NoteLevelView estimate(MagnitudeSpectrum main, std::uint32_t mainWindowSize, ArrayView<double> lowNotes,
                           const NoteTrackerParams_t& params);

    // The peaks of the last frame, in ascending frequency.
    ArrayView<SpectralPeak_t> peaks() const { return {peakList.data(), peakList.size()}; }

    // Appends the peaks of spectrum between minFrequency and maxFrequency (Hz) whose
    // amplitude reaches floor to out, in ascending frequency.
    static void findPeaks(MagnitudeSpectrum spectrum, double binHz, double minFrequency, double maxFrequency,
                          double floor, std::vector<SpectralPeak_t>& out);

private:
    void findGridPeaks(ArrayView<double> lowNotes, MagnitudeSpectrum main, double binHz, double split, double floor,
                       const NoteTrackerParams_t& params);
    double salience(std::int32_t note, std::int32_t harmonics, double exponent) const;
    bool hasOwnFundamental(std::int32_t note) const;
    // Residual amplitude of a note's partial h, 0 without a peak there.
    double partialResidual(std::int32_t note, std::int32_t h) const;
    // True when note is the second partial of the note an octave below.
    bool isLowerOctavesPartial(std::int32_t note, std::int32_t lowNote, const NoteTrackerParams_t& params) const;
    // Removes a found note's partials from the residual, up to its envelope;
    // its fundamental whole, and its second partial whole when the note was
    // taken for its octave or that partial reaches secondRatio times the
    // fundamental.
    void cancel(std::int32_t note, std::int32_t harmonics, bool strongSecond, double secondRatio);

    std::vector<SpectralPeak_t> peakList;
    std::vector<double> residual; // per peak: amplitude not yet explained by a found note
    std::array<std::int32_t, noteCount * maxHarmonics> partialPeak{}; // peak index per note and partial, -1 if none
    std::array<bool, noteCount> taken{};
    std::array<double, noteCount> fundamental{}; // spectrum amplitude at each note's frequency
    std::vector<NoteLevel_t> found;
};

} // namespace dravik
