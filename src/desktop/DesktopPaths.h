#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dravik {

// Paths as users and desktops hand them over.

// "~" and "~/rest" become home and home/rest; any other text is returned as
// it is (so is "~user", and everything when home is empty).
std::string expandHomePath(std::string_view path, std::string_view home);

// The local path a file:// URI names, its %XX escapes decoded ("file:///a%20b"
// gives "/a b"; "file://localhost/x" gives "/x"); empty for any other URI,
// a remote host or a bad escape.
std::string pathFromFileUri(std::string_view uri);

// The local paths of a text/uri-list (RFC 2483): one URI a line, CRLF or LF,
// lines starting with '#' are comments; URIs that are no local file are left
// out.
std::vector<std::string> pathsFromUriList(std::string_view list);

} // namespace dravik
