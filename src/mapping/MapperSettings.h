#pragma once

#include "mapping/MapperParams.h"
#include "shared/Setting.h"

#include <array>

namespace dravik {

// The settings both mappers share. The rate and the window length follow the
// analysis; the others are the user's.
inline constexpr std::array mapperSettings{
    setting::real("sample_rate", "Sample Rate", "sample-rate", &MapperParams_t::sampleRate, {1.0, 768000.0},
                  {1.0, 768000.0}, "Rate of the analysed sound in Hz")
        .followsAnalysis(),
    setting::size("fft_size", "FFT Size", "fft-size", &MapperParams_t::fftSize, {4096.0, 262144.0}, {4096.0, 262144.0},
                  "Window length of the analysis in samples")
        .followsAnalysis(),
    setting::real("reference_frequency", "Reference Frequency", "reference-frequency",
                  &MapperParams_t::referenceFrequency, {1.0, 20000.0}, {1.0, 20000.0},
                  "Frequency of MIDI note 69 in Hz"),
    setting::integer("low_note", "Lowest Note", "lowest-note", &MapperParams_t::lowNote, {0.0, 127.0}, {0.0, 127.0},
                     "First note mapped (MIDI number)"),
    setting::integer("high_note", "Highest Note", "highest-note", &MapperParams_t::highNote, {0.0, 127.0}, {0.0, 127.0},
                     "Last note mapped (MIDI number)"),
    setting::real("power_filter", "Power Filter", "power-filter", &MapperParams_t::powerFilter, {0.0, 2.0},
                  {0.0, unboundedSetting},
                  "Notes whose energy stays below this are not shown (the Gaussian cents mapper's threshold)."),
};

// The harmonics read per note: 0 maps nothing, 12 reaches past the hearing
// range for most notes.
inline constexpr SettingRange_t mapperHarmonicCounts{0.0, 12.0};

inline constexpr const char* squaredWeightsHelp =
    "Weights harmonic j by 1/j² instead of 1/j, so higher harmonics count less.";
inline constexpr const char* harmonicCountHelp =
    "How many harmonics of each note, the fundamental included, add to its energy.";
inline constexpr const char* normalizeWeightsHelp =
    "Divides the weighted sum by the sum of the weights, so a wider band does not read louder.";

// The Gaussian cents mapper's own settings.
inline constexpr std::array gaussianCentsSettings{
    setting::flag("squared_weights", "Use Squared Weights", "use-squared-weights",
                  &GaussianCentsMapperParams_t::useSquaredWeights, squaredWeightsHelp),
    setting::integer("harmonic_count", "Harmonic Count", "harmonic-count", &GaussianCentsMapperParams_t::harmonicCount,
                     mapperHarmonicCounts, mapperHarmonicCounts, harmonicCountHelp),
    setting::real("fundamental_boost", "Fundamental Boost", "fundamental-boost",
                  &GaussianCentsMapperParams_t::fundamentalBoost, {0.0, 8.0}, {0.0, 1000.0},
                  "Multiplies the fundamental's weight, so a note needs its own fundamental more than its harmonics."),
};

// One band of the Gaussian cents mapper. A cutoff beyond the slider, up to
// infinity, takes in every bin.
inline constexpr std::array centsBandSettings{
    setting::real("sigma_cents", "Sigma Cents", "sigma-cents", &CentsBandParams_t::sigmaCents, {0.0, 100.0},
                  {0.0, 1200.0},
                  "Width of the Gaussian weight around each target frequency, in cents: wider takes in more "
                  "mistuning."),
    setting::real("cutoff_cents", "Cutoff Cents", "cutoff-cents", &CentsBandParams_t::cutoffCents, {0.0, 200.0},
                  {0.0, unboundedSetting}, "How far either side of the target the bins are searched, in cents."),
    setting::flag("normalize", "Normalize Weights", "normalize-weights", &CentsBandParams_t::normalizeWeights,
                  normalizeWeightsHelp),
};

inline constexpr std::array gaussianCentsBands{
    SettingGroup_t<GaussianCentsMapperParams_t, CentsBandParams_t>{
        "fundamental_band", "Fundamental Band", "fundamental-band", &GaussianCentsMapperParams_t::fundamentalBand},
    SettingGroup_t<GaussianCentsMapperParams_t, CentsBandParams_t>{"harmonic_bands", "Harmonic Bands", "harmonic-bands",
                                                                   &GaussianCentsMapperParams_t::harmonicBands},
};

// The harmonic energy mapper's own settings.
inline constexpr std::array noteEnergySettings{
    setting::flag("squared_weights", "Use Squared Weights", "use-squared-weights",
                  &NoteEnergyParams_t::useSquaredWeights, squaredWeightsHelp),
    setting::integer("harmonic_count", "Harmonic Count", "harmonic-count", &NoteEnergyParams_t::harmonicCount,
                     mapperHarmonicCounts, mapperHarmonicCounts, harmonicCountHelp),
    setting::real("fundamental_boost", "Fundamental Boost", "fundamental-boost", &NoteEnergyParams_t::fundamentalBoost,
                  {0.0, 10.0}, {0.0, 1000.0}, "Multiplies the fundamental's weight in the note's mean."),
    setting::real("fundamental_soft_gate", "Fundamental Soft Gate", "fundamental-soft-gate",
                  &NoteEnergyParams_t::fundamentalSoftGate, {0.0, 5.0}, {0.0, unboundedSetting},
                  "Scales a note down when its fundamental's band is weak; 0 is off."),
    setting::real("fundamental_hard_gate", "Fundamental Hard Gate", "fundamental-hard-gate",
                  &NoteEnergyParams_t::fundamentalHardGate, {0.0, 1.0}, {0.0, unboundedSetting},
                  "A note whose fundamental's band energy is below this reads 0; 0 is off."),
    setting::real("fundamental_fraction", "Fundamental Fraction", "fundamental-fraction",
                  &NoteEnergyParams_t::fundamentalFraction, {0.0, 1.0}, {0.0, 1.0},
                  "Scales a note down when its fundamental holds less than this share of its harmonics' energy."),
    setting::real("min_energy", "Min Energy", "min-energy", &NoteEnergyParams_t::minEnergy, {0.0, 1e12}, {0.0, 1e12},
                  "Notes whose energy stays below this are not emitted (the harmonic energy mapper's threshold)."),
};

// The items of the "Band Type" combo, in BandType's order; the mapper takes
// any other value as a box, and so it shows and is saved.
inline constexpr SettingChoice_t bandTypeChoices[] = {
    {"box", "Box"}, {"triangular", "Triangular"}, {"gaussian", "Gaussian"}};

// The widest typed band: far wider than any note's neighbourhood, and the
// mapper's work stays bounded by the bins that exist anyway.
inline constexpr double maxTypedRadius = 4096.0;

// One band of the harmonic energy mapper.
inline constexpr std::array binBandSettings{
    setting::flag("normalize", "Normalize Weights", "normalize-weights", &BinBandParams_t::normalizeWeights,
                  normalizeWeightsHelp),
    setting::choice<BinBandParams_t, BandType, &BinBandParams_t::bandType, 3, static_cast<std::uint8_t>(BandType::Box)>(
        "type", "Band Type", "band-type", bandTypeChoices,
        "The shape of the weights across the band: flat, falling linearly, or Gaussian."),
    setting::integer("radius_bins", "Radius Bins", "radius-bins", &BinBandParams_t::radiusBins, {0.0, 12.0},
                     {0.0, maxTypedRadius}, "Half-width of the band of bins measured around each harmonic."),
    setting::flag("auto_sigma", "Auto-sigma", "auto-sigma", &BinBandParams_t::autoSigma,
                  "For the Gaussian band: sigma follows the radius (Radius Bins x Sigma Scale) instead of Sigma Bins."),
    setting::real("sigma_scale", "Sigma Scale", "sigma-scale", &BinBandParams_t::sigmaScale, {0.0, 5.0}, {0.0, 100.0},
                  "Sigma per bin of radius while Auto-sigma is on."),
    setting::real("sigma_bins", "Sigma Bins", "sigma-bins", &BinBandParams_t::sigmaBins, {0.0, 12.0},
                  {0.0, maxTypedRadius}, "The Gaussian band's sigma in bins while Auto-sigma is off."),
};

inline constexpr std::array noteEnergyBands{
    SettingGroup_t<NoteEnergyParams_t, BinBandParams_t>{"fundamental_band", "Fundamental Band", "fundamental-band",
                                                        &NoteEnergyParams_t::fundamentalBand},
    SettingGroup_t<NoteEnergyParams_t, BinBandParams_t>{"harmonic_bands", "Harmonic Bands", "harmonic-bands",
                                                        &NoteEnergyParams_t::harmonicBands},
};

// Copies the settings a user chooses (panel, session, defaults); the rate and
// the window length stay `to`'s, as they follow the analysis.
inline void copyUserSettings(const GaussianCentsMapperParams_t& from, GaussianCentsMapperParams_t& to)
{
    copyUserSettings(mapperSettings, from, to);
}

inline void copyUserSettings(const NoteEnergyParams_t& from, NoteEnergyParams_t& to)
{
    copyUserSettings(mapperSettings, from, to);
}

} // namespace dravik
