#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dravik {

// The files opened last, most recent first, each once.
class RecentFiles {
public:
    static constexpr std::size_t capacity = 8;

    void add(const std::string& path);
    const std::vector<std::string>& paths() const { return list; }

private:
    std::vector<std::string> list;
};

} // namespace dravik
