#pragma once

#include "audio/BlockMixer.h"
#include "audio/GeneratorBank.h"
#include "audio/GeneratorEntry.h"
#include "source/ISignalSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dravik {

// The bank of sine generators as a source of the analysis. Unlike real sound
// it is not paced by real time: each frame every enabled generator renders
// exactly the blocks the analyser needs for its next spectrum, so every
// analysed window is one unbroken stretch of their signal. What is heard is
// played by the sound output from the same settings (toneVoices).
class GeneratorSource final : public ISignalSource {
public:
    // One disabled generator, number 1, at 44100 Hz.
    GeneratorSource();

    std::vector<GeneratorEntry>& entries() { return generators; }
    const std::vector<GeneratorEntry>& entries() const { return generators; }
    // Appends a generator numbered after the last one made; false when the bank is full.
    bool add();
    // Removes the entry at index; later entries move down, keeping their state.
    void remove(std::size_t index);
    void setEnabled(std::size_t index, bool enabled);
    bool anyEnabled() const { return anyGeneratorEnabled(generators); }
    // The number of the last generator made; it only grows, so a number is never reused.
    std::uint32_t counter() const { return lastNumber; }
    // Replaces the bank with generators of these numbers, disabled, and the
    // counter (at least the largest number).
    void restore(const std::vector<std::uint32_t>& numbers, std::uint32_t counter);

    // The rate every generator is sampled at. False, nothing changed, for a
    // rate that is not positive and finite.
    bool setSampleRate(double sampleRate);
    double sampleRate() const override { return rate; }
    void update(double) override {}
    // Renders and pushes the blocks the analyser needs for its next spectrum.
    bool feedAnalyser(IFFT& analyser, std::uint32_t blockSize, std::uint32_t windowSize) override;
    // Nothing to refill: the next frame renders what the emptied analyser needs.
    void restartAnalysis() override {}

    // What the sound output needs of each entry; returns how many were written
    // (room for maxGenerators).
    std::size_t toneVoices(ToneVoice_t* voices) const { return collectToneVoices(generators, voices); }

private:
    std::vector<GeneratorEntry> generators;
    BlockMixer mixer;
    std::uint32_t lastNumber = 1;
    double rate = 44100.0;
};

} // namespace dravik
