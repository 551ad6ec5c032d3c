#include "source/RecentFiles.h"

#include <algorithm>

namespace dravik {

void RecentFiles::add(const std::string& path)
{
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
    list.insert(list.begin(), path);
    if (list.size() > capacity)
        list.resize(capacity);
}

} // namespace dravik
