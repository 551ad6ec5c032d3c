#include "audio/ToneSynth.h"

#include "SignalProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

namespace dravik {
namespace {

using namespace probe;

constexpr double amp08 = 0.800000011920929; // the bank's 0.8f
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t chunkFrames = 512;

std::size_t ms(double milliseconds)
{
    return static_cast<std::size_t>(milliseconds * outputRate / 1000.0);
}

ToneVoice_t voice(std::uint32_t id, double frequency, double amplitude = amp08, double sampleRate = 44100.0,
                  bool enabled = true)
{
    return ToneVoice_t{id, enabled, frequency, sampleRate, amplitude};
}

ToneSettings_t settings(std::initializer_list<ToneVoice_t> voices, bool audible = true)
{
    ToneSettings_t s;
    for (const ToneVoice_t& v : voices) {
        s.voices[s.count++] = v;
    }
    s.audible = audible;
    return s;
}

// Drives a ToneSynth the way the player does: settings re-applied before
// every chunk, output collected as one continuous recording.
class Recorder {
public:
    void set(const ToneSettings_t& s) { current = s; }

    // Renders at least `frames` more frames, in whole chunks.
    void play(std::size_t frames)
    {
        std::vector<std::int16_t> chunk(chunkFrames * 2);
        for (std::size_t done = 0; done < frames; done += chunkFrames) {
            synth.apply(current);
            synth.render(chunk.data(), chunkFrames);
            recording.insert(recording.end(), chunk.begin(), chunk.end());
        }
    }

    std::size_t framesSoFar() const { return recording.size() / 2; }
    std::vector<double> left() const { return channel(recording, 0); }
    std::vector<double> right() const { return channel(recording, 1); }

private:
    ToneSynth synth;
    ToneSettings_t current;
    std::vector<std::int16_t> recording;
};

class ToneSynthTest : public ::testing::Test, protected Recorder {};

struct PitchCase {
    const char* name;
    double frequency;
    double sampleRate;
    double heard;
};

void PrintTo(const PitchCase& c, std::ostream* os)
{
    *os << c.name;
}

class ToneSynthPitch : public ToneSynthTest, public ::testing::WithParamInterface<PitchCase> {};

TEST_P(ToneSynthPitch, PlaysTheToneOnBothChannelsAtFullLevel)
{
    const PitchCase& c = GetParam();
    set(settings({voice(1, c.frequency, amp08, c.sampleRate)}));
    play(ms(50));
    const std::size_t start = framesSoFar();
    play(ms(1000));

    const std::vector<double> l = slice(left(), start, framesSoFar());
    EXPECT_EQ(l, slice(right(), start, framesSoFar()));
    EXPECT_NEAR(cents(zeroCrossingFrequency(l), c.heard), 0.0, 0.5);
    EXPECT_NEAR(decibels(peak(l) / (amp08 * fullScale)), 0.0, 0.05);
}

INSTANTIATE_TEST_SUITE_P(Tones, ToneSynthPitch,
                         ::testing::Values(PitchCase{"A440", 440.0, 44100.0, 440.0},
                                           // The synthesis rate is heard: half the rate, an octave up.
                                           PitchCase{"HalfSampleRate", 440.0, 22050.0, 880.0},
                                           PitchCase{"OtherSampleRate", 1000.0, 48000.0, 918.75},
                                           PitchCase{"NegativeFrequency", -440.0, 44100.0, 440.0},
                                           // More than a cycle per sample folds back to 900 Hz.
                                           PitchCase{"AboveTheOutputRate", 45000.0, 44100.0, 900.0},
                                           // A billion cycles and a bit per sample: only the bit is heard.
                                           PitchCase{"FarAboveTheOutputRate", 44100e9 + 440.0, 44100.0, 440.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ToneSynth, OutputDoesNotDependOnHowCallsSplitIt)
{
    const ToneSettings_t s = settings({voice(1, 440.0, 0.5), voice(2, 1234.5, 0.3)});
    ToneSynth whole;
    ToneSynth pieces;
    whole.apply(s);
    pieces.apply(s);

    std::vector<std::int16_t> expected(2 * 3000);
    whole.render(expected.data(), 3000);
    std::vector<std::int16_t> actual(2 * 3000);
    std::size_t at = 0;
    for (std::size_t n : {1, 255, 257, 487, 2000}) {
        pieces.render(actual.data() + 2 * at, n);
        at += n;
    }
    EXPECT_EQ(actual, expected);
}

struct LoudCase {
    const char* name;
    ToneSettings_t settings;
    double levelSum; // sum of the voices' |amplitude|
};

void PrintTo(const LoudCase& c, std::ostream* os)
{
    *os << c.name;
}

class ToneSynthLoud : public ::testing::TestWithParam<LoudCase> {};

// A sum that could pass full scale is scaled by one steady gain: every sample
// is the ideal sum times ceiling / levelSum, and none reaches full scale.
TEST_P(ToneSynthLoud, ScalesTheSumBelowFullScaleWithASteadyGain)
{
    const LoudCase& c = GetParam();
    ToneSynth synth;
    synth.apply(c.settings);
    std::vector<std::int16_t> frames(2 * ms(500));
    synth.render(frames.data(), frames.size() / 2);

    const double gain = ToneSynth::outputCeiling / c.levelSum;
    EXPECT_DOUBLE_EQ(synth.gain(), gain);
    const std::vector<double> l = channel(frames, 0);
    EXPECT_LE(peak(l), std::round(ToneSynth::outputCeiling * fullScale));
    for (std::size_t n = ms(10); n < l.size(); ++n) {
        double ideal = 0.0;
        for (std::size_t v = 0; v < c.settings.count; ++v) {
            const ToneVoice_t& voice = c.settings.voices[v];
            ideal += voice.amplitude * std::sin(2.0 * pi * voice.frequency * static_cast<double>(n) / outputRate);
        }
        ASSERT_NEAR(l[n], ideal * gain * fullScale, 1.0) << "frame " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sums, ToneSynthLoud,
    ::testing::Values(LoudCase{"TwoDefaultVoices", settings({voice(1, 440.0), voice(2, 660.0)}), 2.0 * amp08},
                      // In phase, the sum reaches the ceiling and no further.
                      LoudCase{"TwoInPhase", settings({voice(1, 440.0), voice(2, 440.0)}), 2.0 * amp08},
                      LoudCase{"TypedAmplitudeTen", settings({voice(1, 440.0, 10.0)}), 10.0},
                      LoudCase{"NegativeAmplitude", settings({voice(1, 440.0, -10.0), voice(2, 110.0)}), 10.0 + amp08},
                      LoudCase{"FiveAtFullScale",
                               settings({voice(1, 100.0, 1.0), voice(2, 200.0, 1.0), voice(3, 300.0, 1.0),
                                         voice(4, 500.0, 1.0), voice(5, 700.0, 1.0)}),
                               5.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ToneSynth, QuietSumsAndHugeTypedAmplitudesPlayAsTheyShould)
{
    ToneSynth quiet;
    quiet.apply(settings({voice(1, 440.0, 0.5), voice(2, 660.0, 0.4)}));
    std::vector<std::int16_t> frames(2 * ms(100));
    quiet.render(frames.data(), frames.size() / 2);
    EXPECT_EQ(quiet.gain(), 1.0) << "a sum below the ceiling is left alone";

    ToneSynth huge;
    huge.apply(settings({voice(1, 440.0, 1e300), voice(2, 440.0, 1e300)}));
    huge.render(frames.data(), frames.size() / 2);
    const std::vector<double> l = slice(channel(frames, 0), ms(10), ms(100));
    EXPECT_NEAR(peak(l), ToneSynth::outputCeiling * fullScale, 1.0) << "two huge voices still play, scaled";
}

struct ChangeCase {
    const char* name;
    ToneSettings_t before;
    ToneSettings_t after;
};

class ToneSynthChange : public ToneSynthTest, public ::testing::WithParamInterface<ChangeCase> {};

void PrintTo(const ChangeCase& c, std::ostream* os)
{
    *os << c.name;
}

// The steepest step a sum of these voices may take: each voice's own slope
// plus a level change spread over no less than 2 ms, and a count of rounding.
double slopeBound(const ChangeCase& c)
{
    const double shortestRamp = ms(2);
    double bound = 2.0;
    for (const ToneSettings_t* s : {&c.before, &c.after}) {
        for (std::size_t i = 0; i < s->count; ++i) {
            const ToneVoice_t& v = s->voices[i];
            const double cyclesPerSample = std::abs(v.frequency / v.sampleRate);
            bound += std::abs(v.amplitude) * fullScale * (2.0 * pi * cyclesPerSample + 1.0 / shortestRamp);
        }
    }
    return bound;
}

TEST_P(ToneSynthChange, NoStepBeyondTheSlopeOfTheSines)
{
    const ChangeCase& c = GetParam();
    set(c.before);
    play(3000);
    set(c.after);
    play(3000);
    set(c.before);
    play(3000);

    EXPECT_LE(largestStep(left()), slopeBound(c));
    EXPECT_EQ(left(), right());
}

// Two voices that stay below full scale together. The low one moves slowly,
// so a jump in it stands out from the slopes.
const ToneVoice_t a = voice(1, 440.0, 0.5);
const ToneVoice_t b = voice(2, 110.0, 0.4);

INSTANTIATE_TEST_SUITE_P(
    Changes, ToneSynthChange,
    ::testing::Values(ChangeCase{"Add", settings({a}), settings({a, b})},
                      ChangeCase{"Delete", settings({a, b}), settings({a})},
                      // The gain that keeps the sum below full scale moves with the new voice's ramp.
                      ChangeCase{"AddBeyondFullScale", settings({voice(1, 440.0)}),
                                 settings({voice(1, 440.0), voice(2, 110.0)})},
                      ChangeCase{"LouderBeyondFullScale", settings({a, b}), settings({a, voice(2, 110.0, 10.0)})},
                      ChangeCase{"DeleteFirst", settings({a, b}), settings({b})},
                      ChangeCase{"Disable", settings({a, b}), settings({a, voice(2, 110.0, 0.4, 44100.0, false)})},
                      ChangeCase{"Retune", settings({a, b}), settings({a, voice(2, 130.81, 0.4)})},
                      ChangeCase{"SampleRate", settings({a, b}), settings({a, voice(2, 110.0, 0.4, 22050.0)})},
                      ChangeCase{"Amplitude", settings({a, b}), settings({a, voice(2, 110.0, 0.1)})},
                      ChangeCase{"Mute", settings({a, b}), settings({a, b}, false)},
                      ChangeCase{"Unplayable", settings({a, b}), settings({a, voice(2, 110.0, 0.4, 0.0)})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToneSynthTest, LevelChangesTakeAFewMilliseconds)
{
    const double full = a.amplitude * fullScale;

    set(settings({a}));
    play(ms(100));
    EXPECT_LT(peak(slice(left(), 0, ms(1))), 0.25 * full) << "fades in";
    EXPECT_GT(peak(slice(left(), ms(10), ms(100))), 0.99 * full);

    std::size_t from = framesSoFar();
    set(settings({a}, false));
    play(ms(100));
    EXPECT_EQ(peak(slice(left(), from + ms(10), framesSoFar())), 0.0) << "mute is silence";

    from = framesSoFar();
    set(settings({a}));
    play(ms(100));
    EXPECT_LT(peak(slice(left(), from, from + ms(1))), 0.25 * full) << "unmute fades in";
    EXPECT_GT(peak(slice(left(), from + ms(10), framesSoFar())), 0.99 * full);

    from = framesSoFar();
    set(settings({}));
    play(ms(100));
    EXPECT_EQ(peak(slice(left(), from + ms(10), framesSoFar())), 0.0) << "deleted voice is gone";
}

TEST_F(ToneSynthTest, VoiceKeepsItsPhaseWhenAnEarlierOneIsDeleted)
{
    set(settings({a, b}));
    play(3000);
    set(settings({b}));
    play(ms(200));

    Recorder alone;
    alone.set(settings({b}));
    alone.play(framesSoFar());

    const std::vector<double> x = left();
    const std::vector<double> y = alone.left();
    for (std::size_t n = 3000 + ms(10); n < x.size(); ++n) {
        ASSERT_NEAR(x[n], y[n], 1.0) << "frame " << n;
    }
}

struct UnplayableCase {
    const char* name;
    ToneVoice_t bad;
};

void PrintTo(const UnplayableCase& c, std::ostream* os)
{
    *os << c.name;
}

class ToneSynthUnplayable : public ToneSynthTest, public ::testing::WithParamInterface<UnplayableCase> {};

TEST_P(ToneSynthUnplayable, IsSilentAndRecoversWhenSetRight)
{
    set(settings({a}));
    play(ms(50));
    const std::size_t bad = framesSoFar();
    set(settings({GetParam().bad}));
    play(ms(100));
    EXPECT_EQ(peak(slice(left(), bad + ms(10), framesSoFar())), 0.0);

    set(settings({a}));
    play(ms(50));
    const std::size_t good = framesSoFar();
    play(ms(500));
    const std::vector<double> l = slice(left(), good, framesSoFar());
    EXPECT_NEAR(cents(zeroCrossingFrequency(l), 440.0), 0.0, 0.5);
    EXPECT_NEAR(decibels(peak(l) / (a.amplitude * fullScale)), 0.0, 0.05);
}

INSTANTIATE_TEST_SUITE_P(TypedValues, ToneSynthUnplayable,
                         ::testing::Values(UnplayableCase{"SampleRateZero", voice(1, 440.0, amp08, 0.0)},
                                           UnplayableCase{"SampleRateNegative", voice(1, 440.0, amp08, -44100.0)},
                                           UnplayableCase{"SampleRateNaN", voice(1, 440.0, amp08, nan)},
                                           UnplayableCase{"SampleRateInfinite", voice(1, 440.0, amp08, inf)},
                                           UnplayableCase{"FrequencyNaN", voice(1, nan)},
                                           UnplayableCase{"FrequencyInfinite", voice(1, inf)},
                                           UnplayableCase{"FrequencyMinusInfinite", voice(1, -inf)},
                                           UnplayableCase{"IncrementOverflows", voice(1, 1e300, amp08, 1e-300)},
                                           UnplayableCase{"AmplitudeNaN", voice(1, 440.0, nan)},
                                           UnplayableCase{"AmplitudeInfinite", voice(1, 440.0, inf)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToneSynthTest, NewVoicesWaitForSlotsFreedByFadingOnes)
{
    const double oldTones[] = {400.0, 600.0, 800.0, 1000.0, 1200.0};
    const double newTones[] = {300.0, 500.0, 700.0, 1100.0, 1300.0};
    ToneSettings_t before;
    ToneSettings_t after;
    for (std::uint32_t i = 0; i < 5; ++i) {
        before.voices[before.count++] = voice(i + 1, oldTones[i], 0.1);
        after.voices[after.count++] = voice(i + 6, newTones[i], 0.1);
    }
    before.audible = after.audible = true;

    set(before);
    play(ms(100));
    set(after);
    play(ms(50));
    const std::size_t from = framesSoFar();
    play(ms(250));

    const std::vector<double> l = slice(left(), from, framesSoFar());
    for (double f : newTones) {
        EXPECT_NEAR(decibels(toneAmplitude(l, f) / (0.1 * fullScale)), 0.0, 0.1) << f << " Hz";
    }
    for (double f : oldTones) {
        EXPECT_LT(decibels(toneAmplitude(l, f) / (0.1 * fullScale)), -60.0) << f << " Hz";
    }
}

} // namespace
} // namespace dravik
