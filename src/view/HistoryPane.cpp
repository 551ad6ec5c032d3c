#include "view/HistoryPane.h"

namespace dravik {

HistoryPane::HistoryPane()
    : notes(noteCapacity)
    , spectra(columnCapacity, SpectrogramLayout_t{})
    , view(columnCapacity, SpectrogramLayout_t{})
{
}

void HistoryPane::addSpectrum(const Spectrum_t& spectrum, double seconds)
{
    if (spectra.add(spectrum.bins, spectrum.windowSize, spectrum.sampleRate, seconds))
        view.addColumn(spectra);
}

void HistoryPane::update(ActiveNoteView active, double now, std::optional<double> fileOrigin)
{
    view.update(notes, spectra, active, now, fileOrigin);
}

} // namespace dravik
