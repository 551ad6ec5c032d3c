#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

struct _aubio_onset_t;
struct _aubio_pitch_t;
struct _fvec_t;

namespace dravik {

// What the short-hop analysis found in one hop of hopSize samples.
struct ShortHop_t {
    std::uint64_t sample;      // first sample of the hop, on the pushed samples' count
    double levelDb;            // RMS of the hop plus 3 dB: a sine of amplitude a reads 20 log10(a)
    double pitchMidi;          // the monophonic estimate (YIN), 0 when unvoiced
    double confidence;         // of that estimate, 0..1
    bool onset;                // an onset was detected in this hop ...
    std::uint64_t onsetSample; // ... lying at this sample
    double riseDb;             // by which the level rose there
};

// Onsets, levels and a monophonic pitch on a short hop (256 samples), where
// the spectral analysis' hop is far too coarse to place a note's start:
// aubio's onset detection (spectral flux, which finds legato note changes,
// and high frequency content, which finds a tone after silence) with its
// adaptive threshold, and its YIN pitch (the FFT-based yinfast). Samples are kept as pushed and analysed when update()
// is called with the rate they were taken at. Allocates at construction and when the rate changes only.
class ShortHopAnalyser {
public:
    static constexpr std::uint32_t hopSize = 256;
    static constexpr std::size_t historySize = 1024; // hops kept: about 6 s at 44.1 kHz

    ShortHopAnalyser();
    ~ShortHopAnalyser();
    ShortHopAnalyser(const ShortHopAnalyser&) = delete;
    ShortHopAnalyser& operator=(const ShortHopAnalyser&) = delete;

    void push(const double* samples, std::uint64_t count);
    // Analyses every whole hop pushed since the last call; onsetThreshold is
    // aubio's peak-picking threshold.
    void update(double sampleRate, double onsetThreshold);
    // Starts afresh; the count of samples runs on.
    void reset();

    std::uint64_t samplesPushed() const { return pushed; }
    // Hops analysed so far, the first still kept first.
    std::uint64_t hopCount() const { return analysed; }
    std::uint64_t firstKeptHop() const { return analysed > firstHop + historySize ? analysed - historySize : firstHop; }
    const ShortHop_t& hop(std::uint64_t index) const { return hops[index % historySize]; }

    // The onset with the largest rise in level at a sample in [from, to), or false.
    bool strongestOnset(std::uint64_t from, std::uint64_t to, std::uint64_t& at) const;
    // The highest hop level in [from, to), or -400 dB when no hop is kept there.
    double peakLevelDb(std::uint64_t from, std::uint64_t to) const;

private:
    struct Aubio;
    double lowestLevelDb(std::uint64_t from, std::uint64_t to) const;

    static constexpr std::size_t ringSize = 1u << 16;
    std::vector<float> ring;
    std::uint64_t pushed = 0;
    std::uint64_t nextHopSample = 0; // first sample of the next hop to analyse
    std::uint64_t analysed = 0;
    std::uint64_t firstHop = 0;
    std::array<ShortHop_t, historySize> hops{};
    std::unique_ptr<Aubio> aubio;
    double rate = 0.0;
    std::uint64_t origin = 0; // the sample aubio's own count starts at
};

} // namespace dravik
