#pragma once

#include "shared/NoteFrequency.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace dravik::testing {

// A short melody of harmonic tones (C4 E4 G4 E4, half a second each with
// gaps, six partials), 3.2 s of samples at `rate`, peaking below 0.5.
inline std::vector<double> melody(double rate)
{
    struct Tone {
        int note;
        double start;
        double end;
    };
    const Tone tones[] = {{60, 0.4, 0.9}, {64, 1.0, 1.5}, {67, 1.6, 2.1}, {64, 2.2, 2.7}};
    std::vector<double> mix(static_cast<std::size_t>(3.2 * rate), 0.0);
    for (const Tone& t : tones) {
        const double f0 = noteFrequency(t.note, 440.0);
        for (auto i = static_cast<std::size_t>(t.start * rate); i < static_cast<std::size_t>(t.end * rate); ++i) {
            const double time = static_cast<double>(i) / rate;
            for (int h = 1; h <= 6; ++h)
                mix[i] += 0.15 / h * std::sin(2.0 * 3.14159265358979 * f0 * h * time);
        }
    }
    return mix;
}

} // namespace dravik::testing
