#include "settings/PanelSettings.h"

#include "settings/SettingsFile.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>

namespace dravik {

namespace {

struct IntPair_t {
    long long first;
    long long second;
};

struct PanelRecord_t {
    bool seen = false;
    std::optional<IntPair_t> pos;
    std::optional<IntPair_t> size;
    std::optional<long long> collapsed;
};

// A decimal integer filling the whole text; values beyond the 64-bit range
// saturate, since they are clamped anyway.
std::optional<long long> parseInteger(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (ptr != end)
        return std::nullopt;
    if (error == std::errc::result_out_of_range)
        return text.front() == '-' ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
    if (error != std::errc())
        return std::nullopt;
    return value;
}

std::optional<IntPair_t> parsePair(std::string_view text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    const std::optional<long long> first = parseInteger(text.substr(0, comma));
    const std::optional<long long> second = parseInteger(text.substr(comma + 1));
    if (!first || !second)
        return std::nullopt;
    return IntPair_t{*first, *second};
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool hasControlCharacters(std::string_view line)
{
    return std::any_of(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7F;
    });
}

void readLine(std::string_view line, PanelRecord_t& record)
{
    if (startsWith(line, "Pos=")) {
        if (const std::optional<IntPair_t> pos = parsePair(line.substr(4)))
            record.pos = IntPair_t{std::clamp<long long>(pos->first, -maxPanelCoordinate, maxPanelCoordinate),
                                   std::clamp<long long>(pos->second, -maxPanelCoordinate, maxPanelCoordinate)};
    } else if (startsWith(line, "Size=")) {
        const std::optional<IntPair_t> size = parsePair(line.substr(5));
        if (size && size->first > 0 && size->second > 0)
            record.size = IntPair_t{std::min<long long>(size->first, maxPanelExtent),
                                    std::min<long long>(size->second, maxPanelExtent)};
    } else if (startsWith(line, "Collapsed=")) {
        if (const std::optional<long long> collapsed = parseInteger(line.substr(10)))
            record.collapsed = *collapsed != 0 ? 1 : 0;
    }
}

// The panel a "[Window][title]" header names, or none for any other header.
std::optional<std::size_t> panelOfHeader(std::string_view line, const std::vector<std::string>& panels)
{
    constexpr std::string_view prefix = "[Window][";
    if (!startsWith(line, prefix) || line.back() != ']')
        return std::nullopt;
    const std::string_view title = line.substr(prefix.size(), line.size() - prefix.size() - 1);
    const auto found = std::find(panels.begin(), panels.end(), title);
    if (found == panels.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - panels.begin());
}

void appendPair(std::string& out, const char* key, const IntPair_t& pair)
{
    out += key;
    out += std::to_string(pair.first);
    out += ',';
    out += std::to_string(pair.second);
    out += '\n';
}

} // namespace

std::string sanitisePanelSettings(std::string_view text, const std::vector<std::string>& panels)
{
    std::vector<PanelRecord_t> records(panels.size());
    PanelRecord_t* current = nullptr;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || hasControlCharacters(line))
            continue;
        if (line.front() == '[') {
            const std::optional<std::size_t> panel = panelOfHeader(line, panels);
            current = panel ? &records[*panel] : nullptr;
            if (current != nullptr)
                current->seen = true;
        } else if (current != nullptr) {
            readLine(line, *current);
        }
    }

    std::string out;
    for (std::size_t i = 0; i < panels.size(); ++i) {
        const PanelRecord_t& record = records[i];
        if (!record.seen)
            continue;
        out += "[Window][" + panels[i] + "]\n";
        if (record.pos)
            appendPair(out, "Pos=", *record.pos);
        if (record.size)
            appendPair(out, "Size=", *record.size);
        if (record.collapsed)
            out += "Collapsed=" + std::to_string(*record.collapsed) + "\n";
        out += '\n';
    }
    return out;
}

PanelSettingsLoad_t loadPanelSettings(const std::filesystem::path& file, const std::vector<std::string>& panels)
{
    using Status = SettingsFileRead_t::Status;
    PanelSettingsLoad_t result;
    const SettingsFileRead_t read = readSettingsFile(file, maxPanelSettingsBytes);
    std::string problem;
    if (read.status == Status::Missing)
        return result;
    if (read.status != Status::Read)
        problem = read.problem;
    else if (read.content.empty())
        problem = "it is empty";
    else if (read.content.find('\0') != std::string::npos)
        problem = "it holds binary data";
    if (!problem.empty()) {
        result.warning = "dravik: ignoring the saved panel layout " + file.string() + " (" + problem +
                         "); the panels start at their default places";
        return result;
    }
    result.text = sanitisePanelSettings(read.content, panels);
    return result;
}

} // namespace dravik
