#pragma once

#include "analysis/FFTParams.h"
#include "history/HistorySpans.h"
#include "mapping/MapperParams.h"
#include "source/SourceStage.h"
#include "tracking/NoteTrackerParams.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dravik {

// What the user set up in the panels, kept between runs as TOML text.
constexpr std::int64_t sessionVersion = 1;
constexpr std::size_t maxSessionBytes = 256 * 1024;

struct SessionGenerator_t {
    std::int32_t number = 1;
    bool enabled = false;
    double frequency = 440.0;
    // A new generator's amplitude: 0.8 as a 32-bit float, as the bank makes it.
    double amplitude = static_cast<double>(0.8f);
};

struct Session_t {
    std::vector<SessionGenerator_t> generators;
    std::int32_t generatorCounter = 0;
    FFTParams_t fft;
    double sampleRate = 44100.0;
    bool muted = true;
    MapperType mapper = MapperType::GaussianCents;
    GaussianCentsMapperParams_t gaussian;
    NoteEnergyParams_t energy;
    // The rate and the low-note window are not kept: they follow the analysis.
    NoteTrackerParams_t tracker;
    bool linearGrid = true;
    bool logGrid = true;
    bool logFrequencyAxis = false;
    bool decibels = false;
    double historySpan = defaultHistorySpan; // seconds, one of historySpans
    bool spectrogram = true;
    SourceKind source = SourceKind::Generators;
    std::string filePath;
    std::vector<std::string> recentFiles;
};

std::string sessionToToml(const Session_t& session);

struct SessionParse_t {
    bool usable = false;               // false: corrupt, foreign or future file; use defaults
    Session_t session;                 // defaults with every valid key applied
    std::vector<std::string> warnings; // one line each
};

// Keys that are missing keep the defaults in `defaults`; a wrong type or an
// out-of-range value is skipped with a warning.
SessionParse_t sessionFromToml(std::string_view text, const Session_t& defaults);

} // namespace dravik
