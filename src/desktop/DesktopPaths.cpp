#include "desktop/DesktopPaths.h"

#include <algorithm>

namespace dravik {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string expandHomePath(std::string_view path, std::string_view home)
{
    if (home.empty() || path.empty() || path[0] != '~' || (path.size() > 1 && path[1] != '/'))
        return std::string(path);
    std::string expanded(home);
    if (path.size() > 1) {
        if (!expanded.empty() && expanded.back() == '/')
            expanded.pop_back();
        expanded.append(path.substr(1));
    }
    return expanded;
}

std::string pathFromFileUri(std::string_view uri)
{
    constexpr std::string_view scheme = "file://";
    if (uri.substr(0, scheme.size()) != scheme)
        return {};
    uri.remove_prefix(scheme.size());
    const std::size_t slash = uri.find('/');
    if (slash == std::string_view::npos)
        return {};
    const std::string_view host = uri.substr(0, slash);
    if (!host.empty() && host != "localhost")
        return {};
    uri.remove_prefix(slash);
    std::string path;
    path.reserve(uri.size());
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            path += uri[i];
            continue;
        }
        if (i + 2 >= uri.size())
            return {};
        const int high = hexValue(uri[i + 1]);
        const int low = hexValue(uri[i + 2]);
        // A NUL cannot be in a path.
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return {};
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}

std::vector<std::string> pathsFromUriList(std::string_view list)
{
    std::vector<std::string> paths;
    while (!list.empty()) {
        const std::size_t end = std::min(list.find('\n'), list.size());
        std::string_view line = list.substr(0, end);
        list.remove_prefix(std::min(end + 1, list.size()));
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0'))
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        std::string path = pathFromFileUri(line);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    return paths;
}

} // namespace dravik
