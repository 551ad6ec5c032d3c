#include "session/Session.h"

#include "analysis/FFTSettings.h"
#include "audio/GeneratorBank.h"
#include "mapping/MapperSettings.h"
#include "tracking/TrackerSettings.h"

#include <toml++/toml.h>

#include <cmath>
#include <optional>
#include <sstream>

namespace dravik {

namespace {

constexpr std::string_view formatName = "dravik-session";
constexpr std::size_t maxRecentFiles = 10;

const char* sourceName(SourceKind kind)
{
    switch (kind) {
    case SourceKind::Generators:
        return "generators";
    case SourceKind::File:
        return "file";
    case SourceKind::Input:
        return "input";
    }
    return "generators";
}

const char* mapperName(MapperType type)
{
    return type == MapperType::HarmonicEnergy ? "harmonic-energy" : "gaussian-cents";
}

// The keys of a settings table, but for the derived settings, which
// follow the analysis and are not kept.
template <typename Table, typename Record>
void writeSettings(toml::table& out, const Table& table, const Record& record)
{
    for (const auto& s : table) {
        if (s.derived)
            continue;
        switch (s.kind) {
        case SettingKind::Real:
            out.insert(s.key, record.*s.real);
            break;
        case SettingKind::Real32:
            out.insert(s.key, static_cast<double>(record.*s.real32));
            break;
        case SettingKind::Integer:
            out.insert(s.key, record.*s.integer);
            break;
        case SettingKind::Size:
            out.insert(s.key, static_cast<std::int64_t>(record.*s.size));
            break;
        case SettingKind::Flag:
            out.insert(s.key, record.*s.flag);
            break;
        case SettingKind::Choice:
            out.insert(s.key, s.choices[s.choiceOf(record)].name);
            break;
        }
    }
}

// A mapper's keys: the shared ones, its own, and a table per band.
template <typename Record, typename Own, typename Bands, typename BandTable>
toml::table mapperTable(const Record& record, const Own& own, const Bands& bands, const BandTable& bandSettings)
{
    toml::table out;
    writeSettings(out, mapperSettings, record);
    writeSettings(out, own, record);
    for (const auto& band : bands) {
        toml::table nested;
        writeSettings(nested, bandSettings, record.*band.field);
        out.insert(band.key, nested);
    }
    return out;
}

// Reads keys of one table into a record, warning about wrong types and
// values out of range, keeping the record's value for those and missing keys.
class Reader {
public:
    Reader(const toml::table* table, std::string path, std::vector<std::string>& warnings)
        : table(table)
        , path(std::move(path))
        , warnings(warnings)
    {
    }

    Reader sub(std::string_view key) const
    {
        const toml::table* child = nullptr;
        if (table != nullptr) {
            if (const toml::node* node = table->get(key)) {
                child = node->as_table();
                if (child == nullptr)
                    warn(key, "is not a table");
            }
        }
        return Reader(child, name(key), warnings);
    }

    void boolean(std::string_view key, bool& out) const
    {
        if (const toml::node* node = find(key)) {
            if (auto value = node->value_exact<bool>())
                out = *value;
            else
                warn(key, "is not true or false");
        }
    }

    template <typename Int>
    void integer(std::string_view key, Int& out, std::int64_t low, std::int64_t high) const
    {
        if (const toml::node* node = find(key)) {
            auto value = node->value_exact<std::int64_t>();
            if (!value)
                warn(key, "is not an integer");
            else if (*value < low || *value > high)
                warn(key, "is out of range");
            else
                out = static_cast<Int>(*value);
        }
    }

    template <typename Real>
    void real(std::string_view key, Real& out, double low, double high) const
    {
        if (const toml::node* node = find(key)) {
            std::optional<double> value = node->value<double>();
            if (!node->is_number() || !value)
                warn(key, "is not a number");
            else if (std::isnan(*value) || *value < low || *value > high)
                warn(key, "is out of range");
            else
                out = static_cast<Real>(*value);
        }
    }

    void size(std::string_view key, std::uint32_t& out, SettingRange_t offered) const
    {
        if (const toml::node* node = find(key)) {
            auto value = node->value_exact<std::int64_t>();
            if (!value)
                warn(key, "is not an integer");
            else if (!isSizeIn(static_cast<double>(*value), offered))
                warn(key, "is not one of the offered sizes");
            else
                out = static_cast<std::uint32_t>(*value);
        }
    }

    template <typename Described, typename Record>
    void choice(const Setting_t<Described>& s, Record& record) const
    {
        if (const toml::node* node = find(s.key)) {
            auto value = node->value_exact<std::string>();
            if (!value) {
                warn(s.key, "is not a string");
                return;
            }
            for (std::uint8_t i = 0; i < s.choiceCount; ++i) {
                if (*value == s.choices[i].name) {
                    s.setChoice(record, i);
                    return;
                }
            }
            warn(s.key, "has an unknown value \"" + *value + "\"");
        }
    }

    // A string among `names`; its index goes to out.
    template <typename Enum, std::size_t N>
    void choice(std::string_view key, Enum& out, const char* (&name)(Enum), const Enum (&values)[N]) const
    {
        if (const toml::node* node = find(key)) {
            auto value = node->value_exact<std::string>();
            if (!value) {
                warn(key, "is not a string");
                return;
            }
            for (Enum candidate : values) {
                if (*value == name(candidate)) {
                    out = candidate;
                    return;
                }
            }
            warn(key, "has an unknown value \"" + *value + "\"");
        }
    }

    // A setting's key, validated by its typed range (sizes: the powers of two
    // within it; choices: its items' names).
    template <typename Table, typename Record>
    void settings(const Table& table, Record& record) const
    {
        for (const auto& s : table) {
            if (s.derived)
                continue;
            switch (s.kind) {
            case SettingKind::Real:
                real(s.key, record.*s.real, s.typed.low, s.typed.high);
                break;
            case SettingKind::Real32:
                real(s.key, record.*s.real32, s.typed.low, s.typed.high);
                break;
            case SettingKind::Integer:
                integer(s.key, record.*s.integer, static_cast<std::int64_t>(s.typed.low),
                        static_cast<std::int64_t>(s.typed.high));
                break;
            case SettingKind::Size:
                size(s.key, record.*s.size, s.typed);
                break;
            case SettingKind::Flag:
                boolean(s.key, record.*s.flag);
                break;
            case SettingKind::Choice:
                choice(s, record);
                break;
            }
        }
    }

    void string(std::string_view key, std::string& out) const
    {
        if (const toml::node* node = find(key)) {
            if (auto value = node->value_exact<std::string>())
                out = *value;
            else
                warn(key, "is not a string");
        }
    }

    const toml::array* array(std::string_view key) const
    {
        const toml::node* node = find(key);
        if (node == nullptr)
            return nullptr;
        if (!node->is_array())
            warn(key, "is not an array");
        return node->as_array();
    }

    std::string name(std::string_view key) const
    {
        return path.empty() ? std::string(key) : path + "." + std::string(key);
    }

    void warn(std::string_view key, const std::string& what) const
    {
        warnings.push_back("session: " + name(key) + " " + what + "; ignored");
    }

    bool present() const { return table != nullptr; }

private:
    const toml::node* find(std::string_view key) const { return table != nullptr ? table->get(key) : nullptr; }

    const toml::table* table;
    std::string path;
    std::vector<std::string>& warnings;
};

template <typename Record, typename Own, typename Bands, typename BandTable>
void readMapper(const Reader& in, Record& record, const Own& own, const Bands& bands, const BandTable& bandSettings)
{
    in.settings(mapperSettings, record);
    in.settings(own, record);
    for (const auto& band : bands)
        in.sub(band.key).settings(bandSettings, record.*band.field);
}

bool isHistorySpan(double seconds)
{
    for (float span : historySpans)
        if (static_cast<double>(span) == seconds)
            return true;
    return false;
}

} // namespace

std::string sessionToToml(const Session_t& session)
{
    toml::array generators;
    for (const SessionGenerator_t& g : session.generators)
        generators.push_back(toml::table{
            {"number", g.number}, {"enabled", g.enabled}, {"frequency", g.frequency}, {"amplitude", g.amplitude}});

    // The analysis, mapper and tracker keys come from the tables the panels
    // and dravik-transcribe share.
    toml::table fft;
    writeSettings(fft, fftSettings, session.fft);
    const toml::table gaussian =
        mapperTable(session.gaussian, gaussianCentsSettings, gaussianCentsBands, centsBandSettings);
    const toml::table energy = mapperTable(session.energy, noteEnergySettings, noteEnergyBands, binBandSettings);
    toml::table tracker;
    writeSettings(tracker, trackerSettings, session.tracker);

    toml::array recent;
    for (const std::string& file : session.recentFiles)
        recent.push_back(file);

    toml::table root{
        {"format", formatName},
        {"version", sessionVersion},
        {"generators", toml::table{{"counter", session.generatorCounter}, {"list", generators}}},
        {"fft", fft},
        {"audio", toml::table{{"sample_rate", session.sampleRate}, {"muted", session.muted}}},
        {"mapper",
         toml::table{{"type", mapperName(session.mapper)}, {"gaussian_cents", gaussian}, {"harmonic_energy", energy}}},
        {"tracker", tracker},
        {"view", toml::table{{"linear_grid", session.linearGrid},
                             {"log_grid", session.logGrid},
                             {"log_frequency_axis", session.logFrequencyAxis},
                             {"decibels", session.decibels}}},
        {"history", toml::table{{"span_s", session.historySpan}, {"spectrogram", session.spectrogram}}},
        {"source", toml::table{{"kind", sourceName(session.source)}, {"file", session.filePath}, {"recent", recent}}},
    };
    std::ostringstream out;
    out << "# Dravik session, written on exit and read on start.\n" << root << '\n';
    return out.str();
}

SessionParse_t sessionFromToml(std::string_view text, const Session_t& defaults)
{
    SessionParse_t result;
    result.session = defaults;
    toml::table root;
    try {
        root = toml::parse(text);
    } catch (const toml::parse_error& error) {
        std::ostringstream line;
        line << "session: not a valid TOML file (line " << error.source().begin.line << ": " << error.description()
             << ")";
        result.warnings.push_back(line.str());
        return result;
    }
    auto format = root["format"].value_exact<std::string>();
    if (!format || *format != formatName) {
        result.warnings.push_back("session: not a Dravik session file");
        return result;
    }
    auto version = root["version"].value_exact<std::int64_t>();
    if (!version || *version < 1) {
        result.warnings.push_back("session: missing or invalid version");
        return result;
    }
    if (*version > sessionVersion) {
        result.warnings.push_back("session: written by a newer Dravik (version " + std::to_string(*version) + ")");
        return result;
    }
    result.usable = true;
    Session_t& s = result.session;
    std::vector<std::string>& warnings = result.warnings;
    const Reader top(&root, "", warnings);

    const Reader gens = top.sub("generators");
    gens.integer("counter", s.generatorCounter, 0, 1 << 20);
    if (const toml::array* list = gens.array("list")) {
        std::vector<SessionGenerator_t> kept;
        for (std::size_t i = 0; i < list->size(); ++i) {
            const std::string name = gens.name("list") + "[" + std::to_string(i) + "]";
            const toml::table* item = list->get(i)->as_table();
            if (item == nullptr) {
                warnings.push_back("session: " + name + " is not a table; ignored");
                continue;
            }
            if (kept.size() == maxGenerators) {
                warnings.push_back("session: more than " + std::to_string(maxGenerators) +
                                   " generators; the rest ignored");
                break;
            }
            SessionGenerator_t g;
            g.number = static_cast<std::int32_t>(kept.size() + 1);
            const Reader in(item, name, warnings);
            in.integer("number", g.number, 1, 1 << 20);
            in.boolean("enabled", g.enabled);
            in.real("frequency", g.frequency, 0.0, 1e6);
            in.real("amplitude", g.amplitude, 0.0, 1.0);
            kept.push_back(g);
        }
        s.generators = kept;
    }

    top.sub("fft").settings(fftSettings, s.fft);

    const Reader audio = top.sub("audio");
    audio.real("sample_rate", s.sampleRate, 1000.0, 768000.0);
    audio.boolean("muted", s.muted);

    const Reader mapper = top.sub("mapper");
    static const MapperType mappers[] = {MapperType::GaussianCents, MapperType::HarmonicEnergy};
    mapper.choice("type", s.mapper, mapperName, mappers);
    readMapper(mapper.sub("gaussian_cents"), s.gaussian, gaussianCentsSettings, gaussianCentsBands, centsBandSettings);
    readMapper(mapper.sub("harmonic_energy"), s.energy, noteEnergySettings, noteEnergyBands, binBandSettings);

    const Reader tracker = top.sub("tracker");
    NoteTrackerParams_t& t = s.tracker;
    tracker.settings(trackerSettings, t);
    // An off level above its on level would end every note as it starts.
    if (t.relativeOffDb > t.relativeOnDb) {
        tracker.warn("relative_off_db", "and relative_on_db: the off level lies above the on level");
        t.relativeOnDb = defaults.tracker.relativeOnDb;
        t.relativeOffDb = defaults.tracker.relativeOffDb;
    }
    if (t.floorOffDb > t.floorOnDb) {
        tracker.warn("floor_off_db", "and floor_on_db: the off level lies above the on level");
        t.floorOnDb = defaults.tracker.floorOnDb;
        t.floorOffDb = defaults.tracker.floorOffDb;
    }

    const Reader view = top.sub("view");
    view.boolean("linear_grid", s.linearGrid);
    view.boolean("log_grid", s.logGrid);
    view.boolean("log_frequency_axis", s.logFrequencyAxis);
    view.boolean("decibels", s.decibels);

    // Only the spans the "History Span" menu offers are taken.
    const Reader history = top.sub("history");
    double span = s.historySpan;
    history.real("span_s", span, 0.0, 1e6);
    if (isHistorySpan(span))
        s.historySpan = span;
    else
        history.warn("span_s", "is not one of the offered spans");
    history.boolean("spectrogram", s.spectrogram);

    const Reader source = top.sub("source");
    static const SourceKind sources[] = {SourceKind::Generators, SourceKind::File, SourceKind::Input};
    source.choice("kind", s.source, sourceName, sources);
    source.string("file", s.filePath);
    if (const toml::array* recent = source.array("recent")) {
        std::vector<std::string> files;
        for (const toml::node& node : *recent) {
            auto file = node.value_exact<std::string>();
            if (!file || file->empty() || files.size() == maxRecentFiles) {
                source.warn("recent", "holds an entry that is not a path or one too many");
                continue;
            }
            files.push_back(*file);
        }
        s.recentFiles = files;
    }
    return result;
}

} // namespace dravik
