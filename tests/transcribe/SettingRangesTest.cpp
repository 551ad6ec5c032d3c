#include "analysis/FFTSettings.h"
#include "mapping/MapperSettings.h"
#include "session/Session.h"
#include "tracking/TrackerSettings.h"
#include "transcribe/SettingOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <iomanip>
#include <sstream>
#include <string>

namespace dravik {
namespace {

// One value of a setting: as TOML and command-line text, and as a double.
struct Value_t {
    double value;
    bool inside;
};

std::string tomlText(double value, SettingKind kind)
{
    if (std::isinf(value))
        return value > 0.0 ? "inf" : "-inf";
    std::ostringstream text;
    if (kind == SettingKind::Integer || kind == SettingKind::Size)
        text << static_cast<std::int64_t>(value);
    else
        text << std::setprecision(17) << std::showpoint << value;
    return text.str();
}

// The ends of the typed range, and the nearest values outside it: one step
// for integers, the next power of two for sizes, a millionth for reals.
template <typename Setting>
std::vector<Value_t> edgesOf(const Setting& s)
{
    const SettingRange_t r = s.typed;
    std::vector<Value_t> values{{r.low, true}, {r.high, true}};
    const auto step = [&s](double end) {
        if (s.kind == SettingKind::Integer)
            return 1.0;
        return std::max(std::abs(end), 1.0) * 1e-6;
    };
    if (s.kind == SettingKind::Size) {
        values.push_back({r.low / 2.0, false});
        values.push_back({r.high * 2.0, false});
        return values;
    }
    if (std::isfinite(r.low))
        values.push_back({r.low - step(r.low), false});
    if (std::isfinite(r.high))
        values.push_back({r.high + step(r.high), false});
    return values;
}

template <typename Setting, typename Record>
double fieldOf(const Setting& s, const Record& record)
{
    switch (s.kind) {
    case SettingKind::Real:
        return record.*s.real;
    case SettingKind::Real32:
        return static_cast<double>(record.*s.real32);
    case SettingKind::Integer:
        return record.*s.integer;
    case SettingKind::Size:
        return record.*s.size;
    default:
        return 0.0;
    }
}

// Walks a table: every end of every typed range is taken by a session and by
// dravik-transcribe's options alike, and every value just outside is refused
// by both, the session with one warning naming the key.
template <typename Table, typename Record>
void walk(const Table& table, const std::string& section, const std::string& optionPrefix,
          const std::function<const Record&(const Session_t&)>& inSession,
          const std::function<const Record&(const TranscribeSettings_t&)>& inOptions,
          const std::string& companions = "")
{
    for (const auto& s : table) {
        if (s.derived || s.kind == SettingKind::Flag || s.kind == SettingKind::Choice)
            continue;
        for (const Value_t& v : edgesOf(s)) {
            const std::string text = tomlText(v.value, s.kind);
            SCOPED_TRACE(section + "." + s.key + " = " + text);

            const SessionParse_t parsed = sessionFromToml("format = 'dravik-session'\nversion = 1\n[" + section +
                                                              "]\n" + companions + s.key + " = " + text + "\n",
                                                          Session_t{});
            ASSERT_TRUE(parsed.usable);
            if (v.inside) {
                EXPECT_TRUE(parsed.warnings.empty()) << parsed.warnings.front();
                EXPECT_EQ(fieldOf(s, inSession(parsed.session)), v.value);
            } else {
                ASSERT_EQ(parsed.warnings.size(), 1u);
                EXPECT_NE(parsed.warnings[0].find(section + "." + s.key), std::string::npos) << parsed.warnings[0];
                EXPECT_EQ(fieldOf(s, inSession(parsed.session)), fieldOf(s, inSession(Session_t{})));
            }

            CLI::App app;
            const SettingOptions options(app);
            const std::string line = "--" + optionPrefix + s.option + "=" + text;
            if (v.inside) {
                ASSERT_NO_THROW(app.parse(line)) << line;
                TranscribeSettings_t settings;
                options.apply(settings);
                EXPECT_EQ(fieldOf(s, inOptions(settings)), v.value) << line;
            } else {
                EXPECT_THROW(app.parse(line), CLI::ParseError) << line;
            }
        }
    }
}

TEST(SettingRanges, SessionAndOptionsTakeEachTypedRangeAndNothingBeyond)
{
    walk<decltype(fftSettings), FFTParams_t>(
        fftSettings, "fft", "", [](const Session_t& s) -> const FFTParams_t& { return s.fft; },
        [](const TranscribeSettings_t& t) -> const FFTParams_t& { return t.fft; });
    // Each level pair, walked with its other end at its own bound, so no off
    // level lies above its on level.
    const auto session = [](const Session_t& s) -> const NoteTrackerParams_t& { return s.tracker; };
    const auto tracker = [](const TranscribeSettings_t& t) -> const NoteTrackerParams_t& { return t.tracker; };
    const struct {
        const char* key;
        const char* companion;
    } pairs[] = {{"relative_on_db", "relative_off_db = -60.0\n"},
                 {"relative_off_db", "relative_on_db = 0.0\n"},
                 {"floor_on_db", "floor_off_db = -120.0\n"},
                 {"floor_off_db", "floor_on_db = 0.0\n"}};
    for (const auto& pair : pairs)
        walk<std::array<TrackerSetting_t, 1>, NoteTrackerParams_t>({settingOf(trackerSettings, pair.key)}, "tracker",
                                                                   "", session, tracker, pair.companion);
    std::vector<TrackerSetting_t> others;
    for (const TrackerSetting_t& s : trackerSettings) {
        if (std::none_of(std::begin(pairs), std::end(pairs), [&s](const auto& p) { return sameText(p.key, s.key); }))
            others.push_back(s);
    }
    walk<std::vector<TrackerSetting_t>, NoteTrackerParams_t>(others, "tracker", "", session, tracker);

    walk<decltype(mapperSettings), MapperParams_t>(
        mapperSettings, "mapper.gaussian_cents", "gaussian-cents-",
        [](const Session_t& s) -> const MapperParams_t& { return s.gaussian; },
        [](const TranscribeSettings_t& t) -> const MapperParams_t& { return t.gaussian; });
    walk<decltype(gaussianCentsSettings), GaussianCentsMapperParams_t>(
        gaussianCentsSettings, "mapper.gaussian_cents", "gaussian-cents-",
        [](const Session_t& s) -> const GaussianCentsMapperParams_t& { return s.gaussian; },
        [](const TranscribeSettings_t& t) -> const GaussianCentsMapperParams_t& { return t.gaussian; });
    for (const auto& band : gaussianCentsBands)
        walk<decltype(centsBandSettings), CentsBandParams_t>(
            centsBandSettings, std::string("mapper.gaussian_cents.") + band.key,
            std::string("gaussian-cents-") + band.option + "-",
            [&band](const Session_t& s) -> const CentsBandParams_t& { return s.gaussian.*band.field; },
            [&band](const TranscribeSettings_t& t) -> const CentsBandParams_t& { return t.gaussian.*band.field; });

    walk<decltype(mapperSettings), MapperParams_t>(
        mapperSettings, "mapper.harmonic_energy", "harmonic-energy-",
        [](const Session_t& s) -> const MapperParams_t& { return s.energy; },
        [](const TranscribeSettings_t& t) -> const MapperParams_t& { return t.energy; });
    walk<decltype(noteEnergySettings), NoteEnergyParams_t>(
        noteEnergySettings, "mapper.harmonic_energy", "harmonic-energy-",
        [](const Session_t& s) -> const NoteEnergyParams_t& { return s.energy; },
        [](const TranscribeSettings_t& t) -> const NoteEnergyParams_t& { return t.energy; });
    for (const auto& band : noteEnergyBands)
        walk<decltype(binBandSettings), BinBandParams_t>(
            binBandSettings, std::string("mapper.harmonic_energy.") + band.key,
            std::string("harmonic-energy-") + band.option + "-",
            [&band](const Session_t& s) -> const BinBandParams_t& { return s.energy.*band.field; },
            [&band](const TranscribeSettings_t& t) -> const BinBandParams_t& { return t.energy.*band.field; });
}

} // namespace
} // namespace dravik
