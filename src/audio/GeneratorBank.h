#pragma once

#include "audio/GeneratorEntry.h"
#include "audio/ToneSynth.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dravik {

// Operations on the bank of generators, in display order. Entries are numbered
// from a counter that only grows, so a number is never reused.

inline constexpr std::size_t maxGenerators = 5;

// Appends an entry numbered ++counter, synthesising at sampleRate. Refused
// (false, nothing changed) when the bank is full.
bool addGenerator(std::vector<GeneratorEntry>& generators, std::uint32_t& counter, double sampleRate);

// Removes the entry at index; later entries move down, keeping their state.
void deleteGenerator(std::vector<GeneratorEntry>& generators, std::size_t index);

// A synthesis sample rate the oscillators can use: positive and finite.
bool isUsableSampleRate(double sampleRate);

// Sets the synthesis sample rate of every entry.
void setGeneratorSampleRate(std::vector<GeneratorEntry>& generators, double sampleRate);

bool anyGeneratorEnabled(const std::vector<GeneratorEntry>& generators);

// The frequency a sine of `frequency` Hz has once sampled at sampleRate:
// folded into [0, sampleRate / 2]. What is heard is what is analysed.
double sampledFrequency(double frequency, double sampleRate);

// Fills voices (room for maxGenerators) with what the sound output needs of
// every entry, each at the frequency its samples carry (sampledFrequency) at
// the output rate; returns how many were written.
std::size_t collectToneVoices(const std::vector<GeneratorEntry>& generators, ToneVoice_t* voices);

} // namespace dravik
