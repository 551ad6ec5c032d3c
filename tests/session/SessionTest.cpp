#include "session/Session.h"
#include "session/SessionFile.h"
#include "settings/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace dravik {
namespace {

namespace fs = std::filesystem;

// A session in which every field differs from its default.
Session_t everyFieldChanged()
{
    Session_t s;
    s.generators = {{1, true, 441.5, 0.25}, {3, false, 27.5, 1.0}};
    s.generatorCounter = 3;
    s.fft = {16384, 512, 0.75f, WindowingType::Blackman};
    s.sampleRate = 22050.0;
    s.muted = false;
    s.mapper = MapperType::HarmonicEnergy;
    s.gaussian.referenceFrequency = 432.0;
    s.gaussian.lowNote = 20;
    s.gaussian.highNote = 100;
    s.gaussian.powerFilter = 0.125;
    s.gaussian.fundamentalBand = {20.0, 90.0, false};
    s.gaussian.harmonicBands = {30.0, 110.0, false};
    s.gaussian.harmonicCount = 5;
    s.gaussian.fundamentalBoost = 2.5;
    s.gaussian.useSquaredWeights = true;
    NoteEnergyParams_t& e = s.energy;
    e.referenceFrequency = 445.0;
    e.lowNote = 30;
    e.highNote = 90;
    e.harmonicCount = 9;
    e.fundamentalBand = {BandType::Triangular, 7, false, 0.3, 2.5, false};
    e.harmonicBands = {BandType::Box, 1, false, 0.9, 0.7, false};
    e.fundamentalBoost = 1.5;
    e.useSquaredWeights = false;
    e.fundamentalHardGate = 0.01;
    e.fundamentalSoftGate = 0.02;
    e.fundamentalFraction = 0.35;
    e.minEnergy = 1e-6;
    NoteTrackerParams_t& t = s.tracker;
    t.relativeOnDb = -12.5;
    t.relativeOffDb = -20.0;
    t.floorOnDb = -45.0;
    t.floorOffDb = -66.0;
    t.peakFloorDb = -90.0;
    t.releaseDropDb = 30.0;
    t.overtoneRelativeDb = -6.0;
    t.releaseSlopeDb = 8.0;
    t.releaseSlopeSeconds = 0.15;
    t.reattackDb = 12.0;
    t.octaveOddRatio = 0.5;
    t.octaveFundamentalDb = -30.0;
    t.strongSecondRatio = 3.0;
    t.minDurationSeconds = 0.125;
    t.offFrames = 3;
    t.maxPolyphony = 4;
    t.harmonicCount = 10;
    t.lowNote = 28;
    t.highNote = 100;
    t.splitNote = 48;
    t.velocityFloorDb = -48.0;
    s.linearGrid = false;
    s.logGrid = false;
    s.logFrequencyAxis = true;
    s.decibels = true;
    s.historySpan = 30.0;
    s.spectrogram = false;
    s.source = SourceKind::File;
    s.filePath = "/music/a \"quoted\" name.flac";
    s.recentFiles = {"/music/a \"quoted\" name.flac", "/tmp/b.wav"};
    return s;
}

void expectSameBand(const CentsBandParams_t& a, const CentsBandParams_t& b)
{
    EXPECT_EQ(a.sigmaCents, b.sigmaCents);
    EXPECT_EQ(a.cutoffCents, b.cutoffCents);
    EXPECT_EQ(a.normalizeWeights, b.normalizeWeights);
}

void expectSameBand(const BinBandParams_t& a, const BinBandParams_t& b)
{
    EXPECT_EQ(a.bandType, b.bandType);
    EXPECT_EQ(a.radiusBins, b.radiusBins);
    EXPECT_EQ(a.autoSigma, b.autoSigma);
    EXPECT_EQ(a.sigmaScale, b.sigmaScale);
    EXPECT_EQ(a.sigmaBins, b.sigmaBins);
    EXPECT_EQ(a.normalizeWeights, b.normalizeWeights);
}

void expectSameShared(const MapperParams_t& a, const MapperParams_t& b)
{
    EXPECT_EQ(a.referenceFrequency, b.referenceFrequency);
    EXPECT_EQ(a.lowNote, b.lowNote);
    EXPECT_EQ(a.highNote, b.highNote);
    EXPECT_EQ(a.powerFilter, b.powerFilter);
}

void expectSameSession(const Session_t& a, const Session_t& b)
{
    ASSERT_EQ(a.generators.size(), b.generators.size());
    for (std::size_t i = 0; i < a.generators.size(); ++i) {
        EXPECT_EQ(a.generators[i].number, b.generators[i].number);
        EXPECT_EQ(a.generators[i].enabled, b.generators[i].enabled);
        EXPECT_EQ(a.generators[i].frequency, b.generators[i].frequency);
        EXPECT_EQ(a.generators[i].amplitude, b.generators[i].amplitude);
    }
    EXPECT_EQ(a.generatorCounter, b.generatorCounter);
    EXPECT_EQ(a.fft.windowSize, b.fft.windowSize);
    EXPECT_EQ(a.fft.blockSize, b.fft.blockSize);
    EXPECT_EQ(a.fft.hopRate, b.fft.hopRate);
    EXPECT_EQ(a.fft.windowingType, b.fft.windowingType);
    EXPECT_EQ(a.sampleRate, b.sampleRate);
    EXPECT_EQ(a.muted, b.muted);
    EXPECT_EQ(a.mapper, b.mapper);
    expectSameShared(a.gaussian, b.gaussian);
    expectSameBand(a.gaussian.fundamentalBand, b.gaussian.fundamentalBand);
    expectSameBand(a.gaussian.harmonicBands, b.gaussian.harmonicBands);
    EXPECT_EQ(a.gaussian.harmonicCount, b.gaussian.harmonicCount);
    EXPECT_EQ(a.gaussian.fundamentalBoost, b.gaussian.fundamentalBoost);
    EXPECT_EQ(a.gaussian.useSquaredWeights, b.gaussian.useSquaredWeights);
    expectSameShared(a.energy, b.energy);
    expectSameBand(a.energy.fundamentalBand, b.energy.fundamentalBand);
    expectSameBand(a.energy.harmonicBands, b.energy.harmonicBands);
    EXPECT_EQ(a.energy.harmonicCount, b.energy.harmonicCount);
    EXPECT_EQ(a.energy.fundamentalBoost, b.energy.fundamentalBoost);
    EXPECT_EQ(a.energy.useSquaredWeights, b.energy.useSquaredWeights);
    EXPECT_EQ(a.energy.fundamentalHardGate, b.energy.fundamentalHardGate);
    EXPECT_EQ(a.energy.fundamentalSoftGate, b.energy.fundamentalSoftGate);
    EXPECT_EQ(a.energy.fundamentalFraction, b.energy.fundamentalFraction);
    EXPECT_EQ(a.energy.minEnergy, b.energy.minEnergy);
    const NoteTrackerParams_t& ta = a.tracker;
    const NoteTrackerParams_t& tb = b.tracker;
    EXPECT_EQ(ta.relativeOnDb, tb.relativeOnDb);
    EXPECT_EQ(ta.relativeOffDb, tb.relativeOffDb);
    EXPECT_EQ(ta.floorOnDb, tb.floorOnDb);
    EXPECT_EQ(ta.floorOffDb, tb.floorOffDb);
    EXPECT_EQ(ta.peakFloorDb, tb.peakFloorDb);
    EXPECT_EQ(ta.releaseDropDb, tb.releaseDropDb);
    EXPECT_EQ(ta.overtoneRelativeDb, tb.overtoneRelativeDb);
    EXPECT_EQ(ta.releaseSlopeDb, tb.releaseSlopeDb);
    EXPECT_EQ(ta.releaseSlopeSeconds, tb.releaseSlopeSeconds);
    EXPECT_EQ(ta.reattackDb, tb.reattackDb);
    EXPECT_EQ(ta.octaveOddRatio, tb.octaveOddRatio);
    EXPECT_EQ(ta.octaveFundamentalDb, tb.octaveFundamentalDb);
    EXPECT_EQ(ta.strongSecondRatio, tb.strongSecondRatio);
    EXPECT_EQ(ta.minDurationSeconds, tb.minDurationSeconds);
    EXPECT_EQ(ta.offFrames, tb.offFrames);
    EXPECT_EQ(ta.maxPolyphony, tb.maxPolyphony);
    EXPECT_EQ(ta.harmonicCount, tb.harmonicCount);
    EXPECT_EQ(ta.lowNote, tb.lowNote);
    EXPECT_EQ(ta.highNote, tb.highNote);
    EXPECT_EQ(ta.splitNote, tb.splitNote);
    EXPECT_EQ(ta.velocityFloorDb, tb.velocityFloorDb);
    EXPECT_EQ(a.linearGrid, b.linearGrid);
    EXPECT_EQ(a.logGrid, b.logGrid);
    EXPECT_EQ(a.logFrequencyAxis, b.logFrequencyAxis);
    EXPECT_EQ(a.decibels, b.decibels);
    EXPECT_EQ(a.historySpan, b.historySpan);
    EXPECT_EQ(a.spectrogram, b.spectrogram);
    EXPECT_EQ(a.source, b.source);
    EXPECT_EQ(a.filePath, b.filePath);
    EXPECT_EQ(a.recentFiles, b.recentFiles);
}

TEST(SessionText, EveryFieldSurvivesARoundTrip)
{
    const Session_t saved = everyFieldChanged();
    const SessionParse_t parsed = sessionFromToml(sessionToToml(saved), Session_t{});
    ASSERT_TRUE(parsed.usable);
    EXPECT_TRUE(parsed.warnings.empty()) << parsed.warnings.front();
    expectSameSession(parsed.session, saved);
}

// Replaces the first `from` in the saved text by `to`.
std::string edited(const std::string& from, const std::string& to)
{
    std::string text = sessionToToml(everyFieldChanged());
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

TEST(SessionText, AMissingKeyKeepsItsDefaultAndTheRestIsRead)
{
    const SessionParse_t parsed = sessionFromToml(edited("decibels = true", ""), Session_t{});
    ASSERT_TRUE(parsed.usable);
    EXPECT_TRUE(parsed.warnings.empty());
    EXPECT_FALSE(parsed.session.decibels);
    EXPECT_TRUE(parsed.session.logFrequencyAxis);
}

TEST(SessionText, AWrongTypeOrAValueOutOfRangeIsIgnoredWithAWarning)
{
    struct Case {
        const char* from;
        const char* to;
        const char* warned;
    };
    const Case cases[] = {
        {"muted = false", "muted = 'no'", "audio.muted"},
        {"sample_rate = 22050.0", "sample_rate = -5.0", "audio.sample_rate"},
        {"hop_rate = 0.75", "hop_rate = 1.5", "fft.hop_rate"},
        {"window_size = 16384", "window_size = 1000", "fft.window_size"},
        {"window = 'blackman'", "window = 'kaiser'", "fft.window"},
        {"kind = 'file'", "kind = 3", "source.kind"},
        {"harmonic_count = 9", "harmonic_count = 40", "mapper.harmonic_energy.harmonic_count"},
        {"relative_off_db = -20.0", "relative_off_db = -5.0", "tracker.relative_off_db"},
        {"off_frames = 3", "off_frames = 0", "tracker.off_frames"},
        {"[audio]", "audio = 'loud'\n[ignored]", "audio is not a table"},
        {"span_s = 30.0", "span_s = 7.0", "history.span_s"},
        {"span_s = 30.0", "span_s = 'long'", "history.span_s"},
        {"span_s = 30.0", "span_s = -10.0", "history.span_s"},
        {"spectrogram = false", "spectrogram = 0", "history.spectrogram"},
    };
    const Session_t defaults;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        const SessionParse_t parsed = sessionFromToml(edited(c.from, c.to), defaults);
        ASSERT_TRUE(parsed.usable);
        ASSERT_EQ(parsed.warnings.size(), 1u);
        EXPECT_NE(parsed.warnings[0].find(c.warned), std::string::npos) << parsed.warnings[0];
        EXPECT_EQ(parsed.warnings[0].find('\n'), std::string::npos);
    }
    const SessionParse_t rate = sessionFromToml(edited("sample_rate = 22050.0", "sample_rate = -5.0"), defaults);
    EXPECT_EQ(rate.session.sampleRate, defaults.sampleRate);
    EXPECT_FALSE(rate.session.muted);
    const SessionParse_t span = sessionFromToml(edited("span_s = 30.0", "span_s = 7.0"), defaults);
    EXPECT_EQ(span.session.historySpan, defaults.historySpan);
    EXPECT_FALSE(span.session.spectrogram);
}

// Every value the panels can set is read back, and a refused generator
// amplitude falls back to what a new generator gets.
TEST(SessionText, ThePanelsRangesAreAcceptedAndRefusedValuesTakeTheNewDefaults)
{
    const Session_t defaults;
    const struct {
        const char* from;
        const char* to;
        std::int32_t gaussianCount;
        std::int32_t energyCount;
    } counts[] = {
        {"harmonic_count = 9", "harmonic_count = 0", 5, 0},
        {"harmonic_count = 5", "harmonic_count = 0", 0, 9},
        {"harmonic_count = 9", "harmonic_count = 12", 5, 12},
    };
    for (const auto& c : counts) {
        SCOPED_TRACE(c.to);
        const SessionParse_t parsed = sessionFromToml(edited(c.from, c.to), defaults);
        EXPECT_TRUE(parsed.warnings.empty()) << parsed.warnings.front();
        EXPECT_EQ(parsed.session.gaussian.harmonicCount, c.gaussianCount);
        EXPECT_EQ(parsed.session.energy.harmonicCount, c.energyCount);
    }

    for (const char* amplitude : {"amplitude = 1.5", "amplitude = -0.1", "amplitude = 'loud'"}) {
        SCOPED_TRACE(amplitude);
        const SessionParse_t parsed = sessionFromToml(edited("amplitude = 0.25", amplitude), defaults);
        ASSERT_EQ(parsed.warnings.size(), 1u);
        ASSERT_EQ(parsed.session.generators.size(), 2u);
        EXPECT_EQ(parsed.session.generators[0].amplitude, static_cast<double>(0.8f));
        EXPECT_EQ(parsed.session.generators[1].amplitude, 1.0);
    }
}

TEST(SessionText, CorruptForeignOrNewerFilesAreNotUsed)
{
    const std::string future = edited("version = 1", "version = 2");
    const struct {
        std::string text;
        const char* warned;
    } cases[] = {
        {std::string("\x00\xff\xfe garbage [[", 14), "not a valid TOML"},
        {"[fft\nwindow_size = ", "not a valid TOML"},
        {"title = 'my other program'\n[owner]\nname = 'x'\n", "not a Dravik session"},
        {"", "not a Dravik session"},
        {future, "newer Dravik"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.warned);
        const SessionParse_t parsed = sessionFromToml(c.text, everyFieldChanged());
        EXPECT_FALSE(parsed.usable);
        ASSERT_EQ(parsed.warnings.size(), 1u);
        EXPECT_NE(parsed.warnings[0].find(c.warned), std::string::npos) << parsed.warnings[0];
        EXPECT_EQ(parsed.warnings[0].find('\n'), std::string::npos) << parsed.warnings[0];
    }
}

class SessionFileTest : public TemporaryFolderTest {};

TEST_F(SessionFileTest, SavedAndLoadedThroughTheConfigFolder)
{
    const fs::path file = sessionFilePath(root.c_str(), "/home/nobody");
    EXPECT_EQ(file, root / "dravik" / "session.toml");
    EXPECT_EQ(sessionFilePath("relative", "/home/u"), fs::path("/home/u/.config/dravik/session.toml"));
    EXPECT_TRUE(sessionFilePath(nullptr, "").empty());

    EXPECT_FALSE(loadSessionFile(file, Session_t{}).found);
    ASSERT_EQ(saveSessionFile(file, everyFieldChanged()), "");
    const SessionLoad_t load = loadSessionFile(file, Session_t{});
    EXPECT_TRUE(load.found);
    EXPECT_TRUE(load.warnings.empty());
    expectSameSession(load.session, everyFieldChanged());
}

TEST_F(SessionFileTest, AnUnusableFileIsKeptAsBackupAndDefaultsAreUsed)
{
    const fs::path file = write("session.toml", "\x7f"
                                                "ELF not a session");
    const SessionLoad_t load = loadSessionFile(file, Session_t{});
    EXPECT_FALSE(load.found);
    ASSERT_EQ(load.warnings.size(), 1u);
    EXPECT_NE(load.warnings[0].find("session.toml.bak"), std::string::npos) << load.warnings[0];
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(contentOf(root / "session.toml.bak"), "\x7f"
                                                    "ELF not a session");
    EXPECT_TRUE(load.session.generators.empty());
}

TEST_F(SessionFileTest, BackupsAreKeptNewestFirstAndTheOldestDropped)
{
    const fs::path file = root / "session.toml";
    const auto bad = [](int n) { return "not a session " + std::to_string(n); };
    for (int n = 1; n <= 7; ++n) {
        write("session.toml", bad(n));
        const SessionLoad_t load = loadSessionFile(file, Session_t{});
        ASSERT_FALSE(load.found);
        EXPECT_NE(load.warnings.back().find("kept as " + (root / "session.toml.bak").string()), std::string::npos)
            << load.warnings.back();
    }
    struct Kept {
        const char* name;
        int n;
    };
    for (const Kept& kept : {Kept{"session.toml.bak", 7}, Kept{"session.toml.bak.1", 6}, Kept{"session.toml.bak.2", 5},
                             Kept{"session.toml.bak.3", 4}, Kept{"session.toml.bak.4", 3}})
        EXPECT_EQ(contentOf(root / kept.name), bad(kept.n)) << kept.name;
    EXPECT_FALSE(fs::exists(root / "session.toml.bak.5"));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(SessionFileTest, ALinkedSessionKeepsItsLinkThroughBackupAndSave)
{
    fs::create_directories(root / "dotfiles");
    const fs::path target = write("dotfiles/session.toml", "not a session");
    const fs::path file = root / "session.toml";
    fs::create_symlink(target, file);
    const SessionLoad_t load = loadSessionFile(file, Session_t{});
    EXPECT_FALSE(load.found);
    EXPECT_EQ(contentOf(root / "session.toml.bak"), "not a session");
    ASSERT_EQ(saveSessionFile(file, everyFieldChanged()), "");
    EXPECT_TRUE(fs::is_symlink(file));
    expectSameSession(loadSessionFile(target, Session_t{}).session, everyFieldChanged());

    // A link to a full device: the reason in one line, and the link stays.
    fs::remove(file);
    fs::create_symlink("/dev/full", file);
    const std::string full = saveSessionFile(file, everyFieldChanged());
    EXPECT_NE(full.find("No space left on device"), std::string::npos) << full;
    EXPECT_EQ(full.find('\n'), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(file));
}

TEST_F(SessionFileTest, AnUnreadableFileIsNeitherBackedUpNorSavedOver)
{
    const fs::path file = write("session.toml", "[audio]\nmuted = false\n");
    fs::permissions(file, fs::perms::none);
    const bool ran = asUnprivilegedUser([&file] {
        const SessionLoad_t load = loadSessionFile(file, Session_t{});
        const std::string problem = saveSessionFile(file, Session_t{});
        return !load.found && load.keepFile && load.warnings.size() == 1 &&
               load.warnings[0].find("Permission denied") != std::string::npos &&
               load.warnings[0].find("not saved over") != std::string::npos &&
               problem.find("not replaced") != std::string::npos;
    });
    EXPECT_TRUE(ran);
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(contentOf(file), "[audio]\nmuted = false\n");
    EXPECT_FALSE(fs::exists(root / "session.toml.bak"));
    EXPECT_FALSE(loadSessionFile(root / "missing.toml", Session_t{}).keepFile);
}

TEST_F(SessionFileTest, AReadOnlyFolderIsReportedAndTheOldFileStays)
{
    const std::string noFolder = saveSessionFile("/proc/dravik/session.toml", Session_t{});
    EXPECT_NE(noFolder.find("cannot create /proc/dravik"), std::string::npos) << noFolder;
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const fs::path file = root / "session.toml";
    ASSERT_EQ(saveSessionFile(file, Session_t{}), "");
    const std::string old = contentOf(file);
    fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string problem = saveSessionFile(file, everyFieldChanged());
    fs::permissions(root, fs::perms::owner_all);
    EXPECT_NE(problem.find("cannot save"), std::string::npos) << problem;
    EXPECT_EQ(problem.find('\n'), std::string::npos);
    EXPECT_EQ(contentOf(file), old);
}

TEST_F(SessionFileTest, AKillDuringASaveLeavesAWholeSession)
{
    const fs::path file = root / "session.toml";
    Session_t big = everyFieldChanged();
    big.recentFiles.assign(10, std::string(20000, 'r'));
    for (int attempt = 0; attempt < 10; ++attempt) {
        ASSERT_EQ(saveSessionFile(file, Session_t{}), "");
        const pid_t saver = ::fork();
        if (saver == 0) {
            for (;;)
                saveSessionFile(file, big);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + attempt % 5));
        ::kill(saver, SIGKILL);
        int status = 0;
        ::waitpid(saver, &status, 0);
        const SessionLoad_t load = loadSessionFile(file, Session_t{});
        ASSERT_TRUE(load.found) << "attempt " << attempt;
        ASSERT_TRUE(load.warnings.empty()) << load.warnings.front();
    }
}

} // namespace
} // namespace dravik
