#include "transcribe/SettingOptions.h"

#include "analysis/FFTSettings.h"
#include "mapping/MapperSettings.h"
#include "tracking/TrackerSettings.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace dravik {

namespace {

std::string shortest(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

// Refuses a value outside the typed range, NaN too; sizes must be powers of
// two within it. Values that are no number are left to the option's own
// conversion, which refuses them.
CLI::Validator typedRange(SettingRange_t range, bool size)
{
    const std::string span = "[" + shortest(range.low) + " - " + shortest(range.high) + "]";
    const std::string description = size ? "POWER OF TWO in " + span : "in " + span;
    return CLI::Validator(
        [range, size, span](std::string& text) -> std::string {
            char* end = nullptr;
            const double value = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || *end != '\0')
                return {};
            if (size ? isSizeIn(value, range) : value >= range.low && value <= range.high)
                return {};
            return "Value " + text + " not " + (size ? "a power of two " : "") + "in range " + span;
        },
        description);
}

// The label without the ImGui ID after "##".
std::string shownLabel(const char* label)
{
    const std::string text = label;
    return text.substr(0, text.find("##"));
}

std::string lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

template <typename Table, typename Record>
void SettingOptions::addTable(CLI::App& app, const Table& table, const Place<Record>& place, const std::string& prefix,
                              const std::string& context, const std::string& group)
{
    Record& record = place(given);
    for (const auto& s : table) {
        if (s.derived)
            continue;
        std::string names = "--" + prefix + s.option;
        if (s.formerOption != nullptr)
            names += ",--" + prefix + s.formerOption;
        std::string help = s.help;
        if (!help.empty() && help.back() == '.')
            help.pop_back();
        help += " (\"" + context + shownLabel(s.label) + "\")";
        CLI::Option* option = nullptr;
        std::function<void(TranscribeSettings_t&)> apply;
        switch (s.kind) {
        case SettingKind::Real:
            option = app.add_option(names, record.*s.real, help);
            apply = [this, place, field = s.real](TranscribeSettings_t& t) { place(t).*field = place(given).*field; };
            break;
        case SettingKind::Real32:
            option = app.add_option(names, record.*s.real32, help);
            apply = [this, place, field = s.real32](TranscribeSettings_t& t) { place(t).*field = place(given).*field; };
            break;
        case SettingKind::Integer:
            option = app.add_option(names, record.*s.integer, help);
            apply = [this, place, field = s.integer](TranscribeSettings_t& t) {
                place(t).*field = place(given).*field;
            };
            break;
        case SettingKind::Size:
            option = app.add_option(names, record.*s.size, help);
            apply = [this, place, field = s.size](TranscribeSettings_t& t) { place(t).*field = place(given).*field; };
            break;
        case SettingKind::Flag:
            option = app.add_option(names, record.*s.flag, help);
            apply = [this, place, field = s.flag](TranscribeSettings_t& t) { place(t).*field = place(given).*field; };
            break;
        case SettingKind::Choice: {
            std::vector<std::string> choices;
            for (std::uint8_t i = 0; i < s.choiceCount; ++i)
                choices.emplace_back(s.choices[i].name);
            choiceValues.emplace_back(s.choices[s.choiceOf(record)].name);
            std::string& value = choiceValues.back();
            option = app.add_option(names, value, help)->check(CLI::IsMember(choices, CLI::ignore_case));
            apply = [place, &value, s](TranscribeSettings_t& t) {
                const std::string name = lowered(value);
                for (std::uint8_t i = 0; i < s.choiceCount; ++i) {
                    if (name == s.choices[i].name)
                        s.setChoice(place(t), i);
                }
            };
            break;
        }
        }
        if (s.kind != SettingKind::Flag && s.kind != SettingKind::Choice)
            option->check(typedRange(s.typed, s.kind == SettingKind::Size));
        option->group(group);
        overrides.push_back({option, apply});
    }
}

SettingOptions::SettingOptions(CLI::App& app)
{
    const std::string analysis = "Analysis (the \"FFT Options\" panel)";
    addTable<decltype(fftSettings), FFTParams_t>(
        app, fftSettings, [](TranscribeSettings_t& t) -> FFTParams_t& { return t.fft; }, "", "", analysis);

    const std::string tracker = "Note tracker (the \"Note Tracker\" panel)";
    addTable<decltype(trackerSettings), NoteTrackerParams_t>(
        app, trackerSettings, [](TranscribeSettings_t& t) -> NoteTrackerParams_t& { return t.tracker; }, "", "",
        tracker);

    // The mappers shape the program's note display only; the notes written
    // come from the tracker. Their options are here so a session's values
    // can be given and checked alike.
    const std::string gaussian =
        "Gaussian cents mapper (the \"Gaussian Cents Options\" panel; the program's display only, no effect on the notes)";
    const Place<GaussianCentsMapperParams_t> gaussianPlace =
        [](TranscribeSettings_t& t) -> GaussianCentsMapperParams_t& { return t.gaussian; };
    const Place<MapperParams_t> gaussianShared = [](TranscribeSettings_t& t) -> MapperParams_t& { return t.gaussian; };
    addTable(app, mapperSettings, gaussianShared, "gaussian-cents-", "", gaussian);
    addTable(app, gaussianCentsSettings, gaussianPlace, "gaussian-cents-", "", gaussian);
    for (const auto& band : gaussianCentsBands) {
        const Place<CentsBandParams_t> bandPlace = [field = band.field](TranscribeSettings_t& t) -> CentsBandParams_t& {
            return t.gaussian.*field;
        };
        addTable(app, centsBandSettings, bandPlace, std::string("gaussian-cents-") + band.option + "-",
                 std::string(band.label) + ": ", gaussian);
    }

    const std::string energy =
        "Harmonic energy mapper (the \"Harmonic Energy Options\" panel; the program's display only, no effect on the notes)";
    const Place<NoteEnergyParams_t> energyPlace = [](TranscribeSettings_t& t) -> NoteEnergyParams_t& {
        return t.energy;
    };
    const Place<MapperParams_t> energyShared = [](TranscribeSettings_t& t) -> MapperParams_t& { return t.energy; };
    addTable(app, mapperSettings, energyShared, "harmonic-energy-", "", energy);
    addTable(app, noteEnergySettings, energyPlace, "harmonic-energy-", "", energy);
    for (const auto& band : noteEnergyBands) {
        const Place<BinBandParams_t> bandPlace = [field = band.field](TranscribeSettings_t& t) -> BinBandParams_t& {
            return t.energy.*field;
        };
        addTable(app, binBandSettings, bandPlace, std::string("harmonic-energy-") + band.option + "-",
                 std::string(band.label) + ": ", energy);
    }
}

void SettingOptions::apply(TranscribeSettings_t& settings) const
{
    for (const Override_t& o : overrides) {
        if (o.option->count() != 0)
            o.apply(settings);
    }
}

} // namespace dravik
