#pragma once

#include "analysis/FFTParams.h"

namespace dravik {

// The "FFT Options" section of the main menu. Edits params (a copy of the
// analyser's settings) and returns true when any of its widgets changed them,
// so the caller builds one new analyser however many changed. sampleRate is
// only shown, as the bin size.
bool drawFFTOptions(FFTParams_t& params, double sampleRate);

} // namespace dravik
