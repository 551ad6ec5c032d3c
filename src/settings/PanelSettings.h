#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dravik {

// The panels' placement as Dear ImGui keeps it in its ini text. ImGui trusts
// that text: a corrupt table section crashes it, an empty buffer makes it
// read out of bounds, and huge numbers make it allocate without limit. So the
// text is read here, and only what the program's own panels need reaches it.

constexpr std::size_t maxPanelSettingsBytes = 64 * 1024;
// Positions and sizes are kept within these bounds (ImGui stores them in 16 bits).
constexpr int maxPanelCoordinate = 16384;
constexpr int maxPanelExtent = 16384;

// Keeps the [Window][title] sections of the given panels and drops every other
// section ([Table], [Docking], unknown types and other windows). Of a kept
// section only the lines "Pos=x,y", "Size=w,h" and "Collapsed=0|1" stay, with
// positions clamped to +-maxPanelCoordinate, sizes to 1..maxPanelExtent
// (a size that is not positive is dropped) and the collapse flag to 0 or 1.
// Lines that do not parse are dropped. A panel named in several sections
// gets the last value of each line, as ImGui would; each kept panel is
// written once, in the order of `panels`.
std::string sanitisePanelSettings(std::string_view text, const std::vector<std::string>& panels);

struct PanelSettingsLoad_t {
    std::string text;    // sanitised, ready for ImGui; empty when nothing is kept
    std::string warning; // one line when the file was skipped, else empty
};

// Reads and sanitises the settings file. A missing file is the first start
// and gives no warning; an empty, unreadable, binary or too large file, or a
// folder in its place, is skipped with a warning.
PanelSettingsLoad_t loadPanelSettings(const std::filesystem::path& file, const std::vector<std::string>& panels);

} // namespace dravik
