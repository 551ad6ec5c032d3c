#include "session/Session.h"

#include "audio/GeneratorBank.h"
#include "tracking/TrackerSettings.h"

#include <toml++/toml.h>

#include <cmath>
#include <optional>
#include <sstream>

namespace dravik {

namespace {

constexpr std::string_view formatName = "dravik-session";
constexpr std::size_t maxRecentFiles = 10;
constexpr std::int32_t maxHarmonics = 12;

const char* windowName(WindowingType type)
{
    switch (type) {
    case WindowingType::None:
        return "none";
    case WindowingType::Hann:
        return "hann";
    case WindowingType::Hamming:
        return "hamming";
    case WindowingType::Blackman:
        return "blackman";
    }
    return "hann";
}

const char* bandName(BandType type)
{
    switch (type) {
    case BandType::Box:
        return "box";
    case BandType::Triangular:
        return "triangular";
    case BandType::Gaussian:
        return "gaussian";
    }
    return "box";
}

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

toml::table centsBand(const CentsBandParams_t& band)
{
    return toml::table{
        {"sigma_cents", band.sigmaCents}, {"cutoff_cents", band.cutoffCents}, {"normalize", band.normalizeWeights}};
}

toml::table binBand(const BinBandParams_t& band)
{
    return toml::table{{"type", bandName(band.bandType)}, {"radius_bins", band.radiusBins},
                       {"auto_sigma", band.autoSigma},    {"sigma_scale", band.sigmaScale},
                       {"sigma_bins", band.sigmaBins},    {"normalize", band.normalizeWeights}};
}

toml::table sharedMapper(const MapperParams_t& params)
{
    return toml::table{{"reference_frequency", params.referenceFrequency},
                       {"low_note", params.lowNote},
                       {"high_note", params.highNote},
                       {"power_filter", params.powerFilter}};
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
            else if (!std::isfinite(*value) || *value < low || *value > high)
                warn(key, "is out of range");
            else
                out = static_cast<Real>(*value);
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

void readShared(const Reader& in, MapperParams_t& params)
{
    in.real("reference_frequency", params.referenceFrequency, 1.0, 20000.0);
    in.integer("low_note", params.lowNote, 0, 127);
    in.integer("high_note", params.highNote, 0, 127);
    in.real("power_filter", params.powerFilter, 0.0, 1e12);
}

void readCentsBand(const Reader& in, CentsBandParams_t& band)
{
    in.real("sigma_cents", band.sigmaCents, 0.0, 1e6);
    in.real("cutoff_cents", band.cutoffCents, 0.0, 1e6);
    in.boolean("normalize", band.normalizeWeights);
}

void readBinBand(const Reader& in, BinBandParams_t& band)
{
    static const BandType bands[] = {BandType::Box, BandType::Triangular, BandType::Gaussian};
    in.choice("type", band.bandType, bandName, bands);
    in.integer("radius_bins", band.radiusBins, 0, 1 << 16);
    in.boolean("auto_sigma", band.autoSigma);
    in.real("sigma_scale", band.sigmaScale, 0.0, 1e6);
    in.real("sigma_bins", band.sigmaBins, 0.0, 1e6);
    in.boolean("normalize", band.normalizeWeights);
}

bool isHistorySpan(double seconds)
{
    for (float span : historySpans)
        if (static_cast<double>(span) == seconds)
            return true;
    return false;
}

bool isWindowSize(std::uint32_t size)
{
    for (std::int32_t i = 0; i < fftSizeItemCount; ++i)
        if (windowSizeOfItem(i) == size)
            return true;
    return false;
}

bool isBlockSize(std::uint32_t size)
{
    for (std::int32_t i = 0; i < fftSizeItemCount; ++i)
        if (blockSizeOfItem(i) == size)
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

    toml::table gaussian = sharedMapper(session.gaussian);
    gaussian.insert("fundamental_band", centsBand(session.gaussian.fundamentalBand));
    gaussian.insert("harmonic_bands", centsBand(session.gaussian.harmonicBands));
    gaussian.insert("harmonic_count", session.gaussian.harmonicCount);
    gaussian.insert("fundamental_boost", session.gaussian.fundamentalBoost);
    gaussian.insert("squared_weights", session.gaussian.useSquaredWeights);

    const NoteEnergyParams_t& e = session.energy;
    toml::table energy = sharedMapper(e);
    energy.insert("fundamental_band", binBand(e.fundamentalBand));
    energy.insert("harmonic_bands", binBand(e.harmonicBands));
    energy.insert("harmonic_count", e.harmonicCount);
    energy.insert("fundamental_boost", e.fundamentalBoost);
    energy.insert("squared_weights", e.useSquaredWeights);
    energy.insert("fundamental_hard_gate", e.fundamentalHardGate);
    energy.insert("fundamental_soft_gate", e.fundamentalSoftGate);
    energy.insert("fundamental_fraction", e.fundamentalFraction);
    energy.insert("min_energy", e.minEnergy);

    toml::table tracker;
    // The tracker's keys come from the table the panel and dravik-transcribe share.
    for (const TrackerSetting_t& setting : trackerSettings) {
        if (setting.real != nullptr)
            tracker.insert(setting.key, session.tracker.*setting.real);
        else
            tracker.insert(setting.key, session.tracker.*setting.integer);
    }

    toml::array recent;
    for (const std::string& file : session.recentFiles)
        recent.push_back(file);

    toml::table root{
        {"format", formatName},
        {"version", sessionVersion},
        {"generators", toml::table{{"counter", session.generatorCounter}, {"list", generators}}},
        {"fft", toml::table{{"window_size", static_cast<std::int64_t>(session.fft.windowSize)},
                            {"block_size", static_cast<std::int64_t>(session.fft.blockSize)},
                            {"hop_rate", static_cast<double>(session.fft.hopRate)},
                            {"window", windowName(session.fft.windowingType)}}},
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

    const Reader fft = top.sub("fft");
    std::uint32_t windowSize = s.fft.windowSize;
    fft.integer("window_size", windowSize, 0, 1 << 30);
    if (isWindowSize(windowSize))
        s.fft.windowSize = windowSize;
    else
        fft.warn("window_size", "is not one of the offered sizes");
    std::uint32_t blockSize = s.fft.blockSize;
    fft.integer("block_size", blockSize, 0, 1 << 30);
    if (isBlockSize(blockSize))
        s.fft.blockSize = blockSize;
    else
        fft.warn("block_size", "is not one of the offered sizes");
    fft.real("hop_rate", s.fft.hopRate, 0.0, 1.0);
    static const WindowingType windows[] = {WindowingType::None, WindowingType::Hann, WindowingType::Hamming,
                                            WindowingType::Blackman};
    fft.choice("window", s.fft.windowingType, windowName, windows);

    const Reader audio = top.sub("audio");
    audio.real("sample_rate", s.sampleRate, 1000.0, 768000.0);
    audio.boolean("muted", s.muted);

    const Reader mapper = top.sub("mapper");
    static const MapperType mappers[] = {MapperType::GaussianCents, MapperType::HarmonicEnergy};
    mapper.choice("type", s.mapper, mapperName, mappers);
    const Reader gaussian = mapper.sub("gaussian_cents");
    readShared(gaussian, s.gaussian);
    readCentsBand(gaussian.sub("fundamental_band"), s.gaussian.fundamentalBand);
    readCentsBand(gaussian.sub("harmonic_bands"), s.gaussian.harmonicBands);
    gaussian.integer("harmonic_count", s.gaussian.harmonicCount, 0, maxHarmonics);
    gaussian.real("fundamental_boost", s.gaussian.fundamentalBoost, 0.0, 1e6);
    gaussian.boolean("squared_weights", s.gaussian.useSquaredWeights);
    const Reader energy = mapper.sub("harmonic_energy");
    NoteEnergyParams_t& e = s.energy;
    readShared(energy, e);
    readBinBand(energy.sub("fundamental_band"), e.fundamentalBand);
    readBinBand(energy.sub("harmonic_bands"), e.harmonicBands);
    energy.integer("harmonic_count", e.harmonicCount, 0, maxHarmonics);
    energy.real("fundamental_boost", e.fundamentalBoost, 0.0, 1e6);
    energy.boolean("squared_weights", e.useSquaredWeights);
    energy.real("fundamental_hard_gate", e.fundamentalHardGate, 0.0, 1e12);
    energy.real("fundamental_soft_gate", e.fundamentalSoftGate, 0.0, 1e12);
    energy.real("fundamental_fraction", e.fundamentalFraction, 0.0, 1.0);
    energy.real("min_energy", e.minEnergy, 0.0, 1e12);

    const Reader tracker = top.sub("tracker");
    NoteTrackerParams_t& t = s.tracker;
    for (const TrackerSetting_t& setting : trackerSettings) {
        if (setting.real != nullptr)
            tracker.real(setting.key, t.*setting.real, setting.low, setting.high);
        else
            tracker.integer(setting.key, t.*setting.integer, static_cast<std::int64_t>(setting.low),
                            static_cast<std::int64_t>(setting.high));
    }
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
