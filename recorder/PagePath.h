// Request paths for the frame sources and links found on the recorder's pages.
#pragma once

#include <string>

// The absolute request path ("/dir/page.htm?query") that `reference`, found on the page at
// `basePath`, names on the recorder at host:port; "" when it is refused. Relative references are
// taken in the folder of basePath, "." and ".." segments are resolved (never above "/"), a
// "#fragment" is dropped, "http://" + this host (any case) and port (80 when absent) gives its path.
// Refused: an empty or fragment-only reference, any byte below 0x21 or 0x7F, another scheme or
// server ("https:", "//host/", "http://other/", another port) and user names in the address.
std::string resolvePagePath(const std::string& basePath, const std::string& reference, const std::string& host,
                            int port);

// The folder part of a request path up to and including its last "/" (a query is not looked into);
// "/" when the path holds none.
std::string pageDirectory(const std::string& path);
