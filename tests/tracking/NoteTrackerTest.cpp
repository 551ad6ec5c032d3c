#include "engine/AnalysisEngine.h"

#include "AllocationCounter.h"
#include "shared/NoteFrequency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <vector>

namespace dravik {
namespace {

constexpr double rate = 44100.0;
constexpr double pi = 3.14159265358979323846;

// A note of the test signal: partial h has amplitude level / h (times boost
// for partial boosted). It decays by holdDbPerSecond while held and, from its
// end, by releaseDbPerSecond for releaseSeconds.
struct Tone {
    std::int32_t note;
    double start;
    double end;
    std::int32_t partials = 8;
    double level = 0.2;
    std::int32_t boosted = 0;
    double boost = 1.0;
    double holdDbPerSecond = 0.0;
    double releaseDbPerSecond = 0.0;
    double releaseSeconds = 0.0;
};

std::vector<double> render(const std::vector<Tone>& tones, double seconds)
{
    std::vector<double> out(static_cast<std::size_t>(seconds * rate), 0.0);
    for (const Tone& t : tones) {
        const double f0 = noteFrequency(t.note, 440.0);
        for (std::int32_t h = 1; h <= t.partials && h * f0 < 0.5 * rate; ++h) {
            const double phase = 0.9 * h;
            const double amplitude = t.level / h * (h == t.boosted ? t.boost : 1.0);
            for (std::size_t i = static_cast<std::size_t>(t.start * rate);
                 i < out.size() && i < static_cast<std::size_t>((t.end + t.releaseSeconds) * rate); ++i) {
                const double time = static_cast<double>(i) / rate;
                const double held = std::min(time, t.end) - t.start;
                const double released = std::max(0.0, time - t.end);
                const double gainDb = -t.holdDbPerSecond * held - t.releaseDbPerSecond * released;
                out[i] += amplitude * std::pow(10.0, gainDb / 20.0) * std::sin(2.0 * pi * f0 * h * time + phase);
            }
        }
    }
    return out;
}

struct Frame {
    double time;
    std::set<int> notes;
};

struct Transcription {
    std::vector<Frame> frames;
    std::vector<NoteEvent_t> events;

    // Notes active in every frame from `from` to `to` seconds, and in any of them.
    std::set<int> steady(double from, double to) const
    {
        std::set<int> all;
        for (const Frame& f : frames) {
            if (f.time >= from && f.time <= to)
                all.insert(f.notes.begin(), f.notes.end());
        }
        return all;
    }
    const NoteEvent_t* firstEvent(int note, bool on) const
    {
        for (const NoteEvent_t& e : events) {
            if (e.note == note && (e.velocity > 0) == on)
                return &e;
        }
        return nullptr;
    }
};

Transcription transcribe(const std::vector<double>& signal, const NoteTrackerParams_t& params = {})
{
    AnalysisEngine engine(rate, FFTParams_t{}, params);
    Transcription run;
    const std::size_t block = FFTParams_t{}.blockSize;
    for (std::size_t i = 0; i + block <= signal.size(); i += block) {
        if (!engine.pushBlock(signal.data() + i, block) || !engine.isReady())
            continue;
        const NoteEventView events = engine.takeEvents();
        run.events.insert(run.events.end(), events.begin(), events.end());
        Frame frame{engine.seconds(), {}};
        for (const ActiveNote_t& a : engine.activeNotes())
            frame.notes.insert(a.note);
        run.frames.push_back(frame);
    }
    engine.endNotes();
    const NoteEventView last = engine.takeEvents();
    run.events.insert(run.events.end(), last.begin(), last.end());
    return run;
}

struct ChordCase {
    const char* name;
    std::vector<std::int32_t> notes;
};

void PrintTo(const ChordCase& c, std::ostream* os)
{
    *os << c.name;
}

class ChordTest : public ::testing::TestWithParam<ChordCase> {};

// Steady tones with eight partials each: exactly the played notes sound, none
// of their overtones or sub-octaves.
TEST_P(ChordTest, SteadyTonesGiveExactlyTheirNotes)
{
    std::vector<Tone> tones;
    for (std::int32_t n : GetParam().notes)
        tones.push_back({n, 0.0, 2.0});
    const Transcription run = transcribe(render(tones, 2.0));
    const std::set<int> expected(GetParam().notes.begin(), GetParam().notes.end());
    for (const Frame& f : run.frames) {
        if (f.time > 0.6 && f.time < 1.9) {
            EXPECT_EQ(f.notes, expected) << "at " << f.time << " s";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Tracker, ChordTest,
                         ::testing::Values(ChordCase{"HarmonicTone", {57}}, ChordCase{"HighTone", {84}},
                                           ChordCase{"LowTone", {40}}, ChordCase{"OctavePair", {57, 69}},
                                           ChordCase{"Fifth", {60, 67}}, ChordCase{"MajorTriad", {60, 64, 67}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Pure sines a semitone apart low in the range: only the longer analysis
// tells them apart.
TEST(Tracker, ResolvesPureSinesASemitoneApartAtMidi40)
{
    const Transcription run = transcribe(render({{40, 0.0, 2.0, 1, 0.3}, {41, 0.0, 2.0, 1, 0.3}}, 2.0));
    EXPECT_EQ(run.steady(0.8, 1.9), (std::set<int>{40, 41}));
}

// With the default 4096-sample window and hop of 2048 (46 ms), a note is
// stamped at its onset, within a short hop of 256 samples, wherever the onset
// falls in the hop, and identical notes get the same velocity; it ends within
// 100 ms of its release.
TEST(Tracker, NotesStampedAtTheirOnsetWithTheirLevelsVelocity)
{
    std::vector<int> velocities;
    for (const double phase : {0.0, 0.0117, 0.0233, 0.0349}) {
        SCOPED_TRACE(phase);
        const double onset = 0.5 + phase;
        const double release = 1.5 + phase;
        const Transcription run = transcribe(render({{69, onset, release}}, 2.5));
        const NoteEvent_t* on = run.firstEvent(69, true);
        const NoteEvent_t* off = run.firstEvent(69, false);
        ASSERT_NE(on, nullptr);
        ASSERT_NE(off, nullptr);
        EXPECT_NEAR(on->timeSeconds, onset, 256.0 / rate);
        EXPECT_GE(off->timeSeconds, release - 0.03);
        EXPECT_LE(off->timeSeconds, release + 0.100);
        EXPECT_EQ(run.events.size(), 2u);
        velocities.push_back(on->velocity);
    }
    const auto [low, high] = std::minmax_element(velocities.begin(), velocities.end());
    EXPECT_LE(*high - *low, 5);
}

// Where the hop grid falls moves neither a note nor its stamp: a melody
// shifted by a few ms at a time against the 46 ms hop gives the same notes
// with the same stamps (within a short hop of 256 samples), each near its
// onset. Fed block by block, each note-on goes out a fixed time after its
// onset, not when the grid next finds the note. The melodies: steady notes
// apart (a stamp moved by up to 43 ms with the grid), and decaying notes with
// a legato step, a chord and a repeated note.
TEST(Tracker, StampsDoNotMoveWithTheHopGrid)
{
    const std::vector<std::vector<Tone>> melodies{
        {{60, 0.4, 0.9, 6, 0.15}, {64, 1.0, 1.5, 6, 0.15}, {67, 1.6, 2.1, 6, 0.15}, {64, 2.2, 2.7, 6, 0.15}},
        {{60, 0.30, 0.70, 8, 0.2, 0, 1.0, 6.0},
         {62, 0.70, 1.10, 8, 0.2, 0, 1.0, 6.0},
         {64, 1.25, 1.80, 8, 0.2, 0, 1.0, 6.0},
         {67, 1.25, 1.80, 8, 0.2, 0, 1.0, 6.0},
         {72, 1.25, 1.80, 8, 0.2, 0, 1.0, 6.0},
         {62, 2.00, 2.40, 8, 0.2, 0, 1.0, 6.0}}};
    for (const std::vector<Tone>& melody : melodies) {
        std::vector<double> unshifted;
        for (const double shift : {0.0, 0.004, 0.011, 0.017, 0.023, 0.029, 0.035, 0.041}) {
            SCOPED_TRACE(::testing::Message() << "melody from note " << melody[1].note << ", shift " << shift);
            std::vector<Tone> tones = melody;
            for (Tone& t : tones) {
                t.start += shift;
                t.end += shift;
            }
            const std::vector<double> signal = render(tones, 2.8);
            AnalysisEngine engine(rate);
            std::vector<NoteEvent_t> ons;
            const std::size_t block = FFTParams_t{}.blockSize;
            for (std::size_t i = 0; i + block <= signal.size(); i += block) {
                engine.pushBlock(signal.data() + i, block);
                for (const NoteEvent_t& e : engine.takeEvents()) {
                    if (e.velocity > 0) {
                        ons.push_back(e);
                        EXPECT_LE(engine.seconds() - e.timeSeconds, 0.06) << "note " << int{e.note} << " went out late";
                    }
                }
            }
            // In order of onset, a chord's notes by pitch.
            std::sort(ons.begin(), ons.end(), [](const NoteEvent_t& a, const NoteEvent_t& b) {
                return a.timeSeconds < b.timeSeconds - 0.02 ||
                       (a.timeSeconds < b.timeSeconds + 0.02 && a.note < b.note);
            });
            ASSERT_EQ(ons.size(), melody.size());
            for (std::size_t i = 0; i < melody.size(); ++i) {
                EXPECT_EQ(ons[i].note, melody[i].note);
                EXPECT_NEAR(ons[i].timeSeconds - shift, melody[i].start, 0.01);
                if (unshifted.size() == melody.size())
                    EXPECT_NEAR(ons[i].timeSeconds - shift, unshifted[i], 256.0 / rate) << "note " << i;
                else
                    unshifted.push_back(ons[i].timeSeconds);
            }
        }
    }
}

// A plucked or struck note decays while held and fades over its release: it
// ends soon after the release, not when the tail reaches the absolute floor,
// and its slow decay while held does not end it. The low note is identified by
// the longer analysis but follows the main analysis' level.
TEST(Tracker, ReleaseTailEndsTheNote)
{
    for (const std::int32_t note : {69, 40}) {
        SCOPED_TRACE(note);
        const double onset = 0.5;
        const double release = 1.5;
        const Transcription run = transcribe(render({{note, onset, release, 8, 0.2, 0, 1.0, 6.0, 60.0, 1.5}}, 3.0));
        const NoteEvent_t* off = run.firstEvent(note, false);
        ASSERT_NE(off, nullptr);
        EXPECT_GE(off->timeSeconds, release);
        EXPECT_LE(off->timeSeconds, release + 0.35);
        EXPECT_EQ(run.steady(onset + 0.25, release), (std::set<int>{note}));
    }
}

struct ReleaseCase {
    const char* name;
    double holdDbPerSecond;
    double releaseDbPerSecond;
    double latestEnd; // seconds after the release
};

void PrintTo(const ReleaseCase& c, std::ostream* os)
{
    *os << c.name;
}

class ReleaseTest : public ::testing::TestWithParam<ReleaseCase> {};

// A release fades faster than the note decayed while held: the note ends
// soon after the release even when the fade is slow against the peak level,
// sounds until then however fast it decays while held, and its fading tail
// does not start it again.
TEST_P(ReleaseTest, NoteEndsOnceAtItsRelease)
{
    const ReleaseCase& c = GetParam();
    const double onset = 0.5;
    const double release = 1.7;
    const Transcription run =
        transcribe(render({{64, onset, release, 8, 0.2, 0, 1.0, c.holdDbPerSecond, c.releaseDbPerSecond, 1.5}}, 3.5));
    const NoteEvent_t* off = run.firstEvent(64, false);
    ASSERT_NE(off, nullptr);
    EXPECT_GE(off->timeSeconds, release);
    EXPECT_LE(off->timeSeconds, release + c.latestEnd);
    EXPECT_EQ(run.events.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Tracker, ReleaseTest,
                         ::testing::Values(ReleaseCase{"HeldNote", 0.0, 120.0, 0.25},
                                           ReleaseCase{"DecayingNote", 10.0, 150.0, 0.15},
                                           ReleaseCase{"FastDecayingNote", 15.0, 120.0, 0.2}),
                         [](const auto& info) { return std::string(info.param.name); });

// The same note played again while its last release still fades starts a
// new note.
TEST(Tracker, RepeatedNoteStartsAgain)
{
    const Transcription run = transcribe(
        render({{64, 0.3, 1.0, 8, 0.2, 0, 1.0, 0.0, 80.0, 1.0}, {64, 1.5, 2.2, 8, 0.2, 0, 1.0, 0.0, 80.0, 0.5}}, 3.0));
    std::vector<double> onsets;
    for (const NoteEvent_t& e : run.events) {
        if (e.velocity > 0)
            onsets.push_back(e.timeSeconds);
    }
    ASSERT_EQ(onsets.size(), 2u);
    EXPECT_NEAR(onsets[1], 1.5, 0.1);
}

// A tone whose second partial is far stronger than its fundamental (low
// strings, plucked and struck low notes) is that tone, not its octave. An
// octave played later over a held note at its level is a note of its own.
TEST(Tracker, StrongSecondPartialGivesTheNoteNotItsOctave)
{
    for (const std::int32_t note : {45, 33}) {
        SCOPED_TRACE(note);
        const Transcription run = transcribe(render({{note, 0.0, 2.0, 8, 0.2, 2, 6.0}}, 2.0));
        EXPECT_EQ(run.steady(0.6, 1.9), (std::set<int>{note}));
    }
    const Transcription late = transcribe(render({{57, 0.0, 2.0}, {69, 0.8, 2.0}}, 2.0));
    EXPECT_EQ(late.steady(1.1, 1.9), (std::set<int>{57, 69}));
}

// A tone whose third partial is twice its fundamental leaves a strong
// residue a twelfth up; that is not a note of its own.
TEST(Tracker, StrongThirdPartialIsNoNote)
{
    const Transcription run = transcribe(render({{57, 0.0, 2.0, 8, 0.2, 3, 6.0}}, 2.0));
    EXPECT_EQ(run.steady(0.3, 1.9), (std::set<int>{57}));
}

TEST(Tracker, SilenceAndNoiseFloorGiveNoNotes)
{
    std::vector<double> hiss(static_cast<std::size_t>(rate));
    std::uint32_t seed = 1;
    for (double& s : hiss) {
        seed = seed * 1664525u + 1013904223u;
        s = 1e-4 * (static_cast<double>(seed >> 8) / 16777216.0 - 0.5);
    }
    EXPECT_TRUE(transcribe(std::vector<double>(static_cast<std::size_t>(rate), 0.0)).events.empty());
    EXPECT_TRUE(transcribe(hiss).events.empty());
}

// A louder note gets a higher velocity; the scale runs from the floor to full scale.
TEST(Tracker, VelocityFollowsLevel)
{
    EXPECT_EQ(NoteTracker::velocityFor(0.0, -60.0), 127);
    EXPECT_EQ(NoteTracker::velocityFor(-60.0, -60.0), 1);
    EXPECT_EQ(NoteTracker::velocityFor(-90.0, -60.0), 1);
    const Transcription quiet = transcribe(render({{69, 0.0, 1.0, 8, 0.02}}, 1.0));
    const Transcription loud = transcribe(render({{69, 0.0, 1.0, 8, 0.4}}, 1.0));
    ASSERT_NE(quiet.firstEvent(69, true), nullptr);
    ASSERT_NE(loud.firstEvent(69, true), nullptr);
    EXPECT_LT(quiet.firstEvent(69, true)->velocity, loud.firstEvent(69, true)->velocity);
}

// A tone of eight partials whose pitch swings by depthCents at rateHz.
std::vector<double> vibrato(std::int32_t note, double start, double end, double depthCents, double rateHz,
                            double seconds)
{
    std::vector<double> out(static_cast<std::size_t>(seconds * rate), 0.0);
    const double f0 = noteFrequency(note, 440.0);
    double phase = 0.0;
    for (std::size_t i = static_cast<std::size_t>(start * rate); i < out.size() && i < end * rate; ++i) {
        const double time = static_cast<double>(i) / rate;
        phase += 2.0 * pi * f0 * std::pow(2.0, depthCents * std::sin(2.0 * pi * rateHz * time) / 1200.0) / rate;
        for (std::int32_t h = 1; h <= 8; ++h)
            out[i] += 0.2 / h * std::sin(h * phase);
    }
    return out;
}

std::vector<NoteEvent_t> onsetsOf(const Transcription& run)
{
    std::vector<NoteEvent_t> ons;
    std::copy_if(run.events.begin(), run.events.end(), std::back_inserter(ons),
                 [](const NoteEvent_t& e) { return e.velocity > 0; });
    return ons;
}

NoteTrackerParams_t singleLine()
{
    NoteTrackerParams_t p;
    p.maxPolyphony = 1;
    return p;
}

// A sung note's 5 Hz vibrato of +-40 cents is one note, in both modes.
TEST(Tracker, VibratoHoldsOneNote)
{
    for (const NoteTrackerParams_t& params : {NoteTrackerParams_t{}, singleLine()}) {
        SCOPED_TRACE(params.maxPolyphony);
        const Transcription run = transcribe(vibrato(67, 0.3, 2.3, 40.0, 5.0, 2.8), params);
        const std::vector<NoteEvent_t> ons = onsetsOf(run);
        ASSERT_EQ(ons.size(), 1u);
        EXPECT_EQ(ons[0].note, 67);
        EXPECT_NEAR(ons[0].timeSeconds, 0.3, 0.02);
    }
}

// A struck note's attack is a broadband burst: it starts no note of its own,
// and neither do the partials of a low note heard before the longer analysis
// knows the note.
TEST(Tracker, AttackAndPartialsStartNoNotes)
{
    struct Case {
        std::int32_t note;
        double clickLevel;
    };
    for (const Case c : {Case{60, 0.5}, Case{40, 0.0}, Case{40, 0.5}}) {
        SCOPED_TRACE(c.note);
        std::vector<double> signal = render({{c.note, 0.5, 1.5, 8, 0.2, 0, 1.0, 6.0}}, 2.2);
        std::uint32_t seed = 7;
        for (std::size_t i = static_cast<std::size_t>(0.5 * rate); i < static_cast<std::size_t>(0.51 * rate); ++i) {
            seed = seed * 1664525u + 1013904223u;
            signal[i] += c.clickLevel * (static_cast<double>(seed >> 8) / 16777216.0 - 0.5);
        }
        const std::vector<NoteEvent_t> ons = onsetsOf(transcribe(signal));
        ASSERT_EQ(ons.size(), 1u);
        EXPECT_EQ(ons[0].note, c.note);
        EXPECT_NEAR(ons[0].timeSeconds, 0.5, 0.02);
    }
}

// A single line: a melody's legato steps give one note each at its onset,
// and a note played again starts again.
TEST(Tracker, SingleLineFollowsAMelody)
{
    const std::vector<Tone> tones{{60, 0.3, 0.8}, {62, 0.8, 1.3}, {64, 1.3, 1.8}, {64, 2.0, 2.5}};
    const std::vector<NoteEvent_t> ons = onsetsOf(transcribe(render(tones, 3.0), singleLine()));
    ASSERT_EQ(ons.size(), tones.size());
    for (std::size_t i = 0; i < tones.size(); ++i) {
        EXPECT_EQ(ons[i].note, tones[i].note);
        EXPECT_NEAR(ons[i].timeSeconds, tones[i].start, 0.05);
    }
}

TEST(Tracker, FramesAfterTheFirstAllocateNothing)
{
    const std::vector<double> signal = render({{45, 0.0, 1.0}, {64, 0.0, 1.0}, {71, 0.5, 1.0}}, 1.0);
    AnalysisEngine engine;
    const std::size_t block = FFTParams_t{}.blockSize;
    std::size_t i = 0;
    for (bool tracked = false; !tracked; i += block)
        tracked = engine.pushBlock(signal.data() + i, block) && engine.isReady();
    const std::uint64_t allocations = testing::allocationsDuring([&] {
        for (; i + block <= signal.size(); i += block) {
            engine.pushBlock(signal.data() + i, block);
            engine.takeEvents();
        }
        engine.endNotes();
        engine.takeEvents();
    });
    EXPECT_EQ(allocations, 0u);
}

} // namespace
} // namespace dravik
