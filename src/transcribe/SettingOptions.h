#pragma once

#include "analysis/FFTParams.h"
#include "mapping/MapperParams.h"
#include "tracking/NoteTrackerParams.h"

#include <CLI/CLI.hpp>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace dravik {

// The analysis, mapper and tracker settings dravik-transcribe works with.
struct TranscribeSettings_t {
    FFTParams_t fft;
    GaussianCentsMapperParams_t gaussian;
    NoteEnergyParams_t energy;
    NoteTrackerParams_t tracker;
};

// An option for every user setting of the FFT, mapper and tracker tables,
// named after its label (a mapper's options after the mapper and band too,
// as --harmonic-energy-fundamental-band-radius-bins), with its earlier name
// where it had one. A given value must lie in the setting's typed range.
// Values are read into records of their own, so that a session can supply
// the rest and an option given still wins over it.
class SettingOptions {
public:
    explicit SettingOptions(CLI::App& app);
    SettingOptions(const SettingOptions&) = delete;
    SettingOptions& operator=(const SettingOptions&) = delete;

    // Writes the options given on the command line into settings.
    void apply(TranscribeSettings_t& settings) const;

private:
    // Where a table's record lies in the settings.
    template <typename Record>
    using Place = std::function<Record&(TranscribeSettings_t&)>;

    template <typename Table, typename Record>
    void addTable(CLI::App& app, const Table& table, const Place<Record>& place, const std::string& prefix,
                  const std::string& context, const std::string& group);

    struct Override_t {
        CLI::Option* option;
        std::function<void(TranscribeSettings_t&)> apply;
    };
    TranscribeSettings_t given;
    std::deque<std::string> choiceValues; // the choices' text as given; a deque keeps each in place
    std::vector<Override_t> overrides;
};

} // namespace dravik
