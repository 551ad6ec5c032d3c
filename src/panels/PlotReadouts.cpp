#include "panels/PlotReadouts.h"

#include "panels/Widgets.h"
#include "view/FFTDebugView.h"

#include <imgui.h>

#include <cstdio>

namespace dravik {

namespace {

// Powers this small read as silence rather than as a number of decibels.
constexpr double silentDecibels = -300.0;

void formatLevel(char* text, std::size_t size, double power)
{
    const double decibels = powerDecibels(power);
    if (decibels <= silentDecibels)
        std::snprintf(text, size, "silent");
    else
        std::snprintf(text, size, "%.1f dB", decibels);
}

// Formats into out; text beyond its end is cut, which only absurd numbers
// reach, and a failed format leaves it empty.
template <typename... Args>
void formatInto(ReadoutText_t& out, const char* format, Args... args)
{
    if (std::snprintf(out.text, sizeof out.text, format, args...) < 0)
        out.text[0] = '\0';
}

} // namespace

ReadoutText_t peakReadoutText(const SpectrumPeak_t& peak)
{
    ReadoutText_t out{};
    if (!peak.valid) {
        std::snprintf(out.text, sizeof out.text, "-");
        return out;
    }
    char level[24];
    formatLevel(level, sizeof level, peak.power);
    formatInto(out, "%.2f Hz  %s  %s", peak.frequency, formatNoteReading(nearestNote(peak.frequency)).c_str(), level);
    return out;
}

ReadoutText_t cursorReadoutText(const CursorReading_t& reading)
{
    ReadoutText_t out{};
    if (!reading.overPlot)
        return out;
    const ReadoutText_t note = formatNoteReading(nearestNote(reading.frequency));
    if (!reading.hasLevel) {
        formatInto(out, "%.1f Hz\n%s", reading.frequency, note.c_str());
        return out;
    }
    char level[24];
    formatLevel(level, sizeof level, reading.power);
    formatInto(out, "%.1f Hz\n%s\n%s", reading.frequency, note.c_str(), level);
    return out;
}

ReadoutText_t noteHoverText(std::int32_t note, bool tracked)
{
    ReadoutText_t out{};
    if (note < 0)
        return out;
    formatInto(out, tracked ? "%s (MIDI %d)\ntracked" : "%s (MIDI %d)", noteName(note).c_str(), note);
    return out;
}

void drawPeakReadout(const SpectrumPeak_t& peak)
{
    // Wide enough for the longest reading, so the row keeps its width as the peak moves.
    labelValue("Peak", peakReadoutText(peak).c_str(), "00000.00 Hz  C#10 -50 c  -100.0 dB");
}

void drawCursorReadout(const CursorReading_t& reading, const ReadoutText_t& note)
{
    const bool overNote = note.text[0] != '\0';
    // Over a panel the mouse belongs to the panel.
    if ((!reading.overPlot && !overNote) || ImGui::GetIO().WantCaptureMouse)
        return;
    // A tooltip takes no input and follows the mouse, clear of the pointer.
    ImGui::BeginTooltip();
    if (overNote)
        ImGui::TextUnformatted(note.c_str());
    if (overNote && reading.overPlot)
        ImGui::Separator();
    if (reading.overPlot)
        ImGui::TextUnformatted(cursorReadoutText(reading).c_str());
    ImGui::EndTooltip();
}

void drawAxisOptions(FFTDebugView& view)
{
    bool logAxis = view.getFrequencyScale() == FrequencyScale::Logarithmic;
    if (ImGui::Checkbox("Log Frequency Axis", &logAxis))
        view.setFrequencyScale(logAxis ? FrequencyScale::Logarithmic : FrequencyScale::Linear);
    ImGui::SameLine(0.0f, -1.0f);
    bool decibels = view.getPowerScale() == PowerScale::Decibels;
    if (ImGui::Checkbox("dB", &decibels))
        view.setPowerScale(decibels ? PowerScale::Decibels : PowerScale::Linear);
}

} // namespace dravik
