// Resolving the frame sources and links of the recorder's pages into request paths, as a browser
// resolves a URL reference against its page (RFC 3986, section 5.2), for one server only:
//
//     on /program/b_prgrm.htm   "rsv/menu.htm"                  -> /program/rsv/menu.htm
//                               "/program/b_list.htm#top"       -> /program/b_list.htm
//     on /program/rsv/menu.htm  "../b_list.htm?no=1"            -> /program/b_list.htm?no=1
//                               "http://RD.local/x.htm" (same)  -> /x.htm
//                               "http://other/x.htm", "//other/x.htm", "javascript:..." -> refused
//
// The result is written into the request line as it is, so a reference holding a blank or a
// control byte (which would end the line or add header lines) is refused, not repaired.
#include "recorder/PagePath.h"

#include <vector>

namespace {

bool breaksRequestLine(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x21 || byte == 0x7F;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// "host" or "host:port" of an http URL names the configured recorder. User names are refused: a
// browser would send them as credentials, and they hide the real host from a reader.
bool isSameServer(const std::string& authority, const std::string& host, int port) {
    if (authority.find('@') != std::string::npos) return false;
    const size_t hostEnd = authority.find(':');
    const std::string name = authority.substr(0, hostEnd);
    if (name.empty() || !equalsIgnoringCase(name, host)) return false;
    long given = 80;
    if (hostEnd != std::string::npos) {
        const std::string digits = authority.substr(hostEnd + 1);
        if (digits.size() > 5) return false;
        if (!digits.empty()) {
            given = 0;
            for (const char c : digits) {
                if (c < '0' || c > '9') return false;
                given = given * 10 + (c - '0');
            }
        }
    }
    return given == port;
}

// Removes "." and ".." segments from a path that begins with "/"; ".." at the root stays there.
std::string removeDotSegments(const std::string& path) {
    std::vector<std::string> kept;
    bool endsInFolder = false;  // a final "." or ".." names the folder, so the result ends in "/"
    size_t start = 1;
    for (;;) {
        const size_t end = path.find('/', start);
        const bool last = end == std::string::npos;
        const std::string segment = path.substr(start, last ? std::string::npos : end - start);
        if (segment == "." || segment == "..") {
            if (segment == ".." && !kept.empty()) kept.pop_back();
            endsInFolder = last;
        } else {
            kept.push_back(segment);
        }
        if (last) break;
        start = end + 1;
    }
    std::string out = "/";
    for (size_t i = 0; i < kept.size(); ++i) {
        out += kept[i];
        if (i + 1 < kept.size() || endsInFolder) out += '/';
    }
    return out;
}

}  // namespace

std::string pageDirectory(const std::string& path) {
    const std::string withoutQuery = path.substr(0, path.find('?'));
    const size_t slash = withoutQuery.rfind('/');
    return slash == std::string::npos ? std::string("/") : withoutQuery.substr(0, slash + 1);
}

std::string resolvePagePath(const std::string& basePath, const std::string& reference, const std::string& host,
                            int port) {
    for (const char c : reference) {
        if (breaksRequestLine(c)) return std::string();
    }
    // The fragment is the browser's own business; it never goes to the server.
    const std::string ref = reference.substr(0, reference.find('#'));
    // Nothing (or only a fragment) names the page itself, which is never the page a step wants.
    if (ref.empty()) return std::string();

    std::string target;
    const size_t colon = ref.find(':');
    if (ref[0] == '/') {
        if (ref.size() > 1 && ref[1] == '/') return std::string();  // "//host/...": another server
        target = ref;
    } else if (colon != std::string::npos && colon < ref.find_first_of("/?")) {
        // A scheme: only plain http to the configured recorder is followed.
        if (!equalsIgnoringCase(ref.substr(0, colon), "http") || ref.compare(colon + 1, 2, "//") != 0) {
            return std::string();
        }
        const size_t authorityStart = colon + 3;
        const size_t authorityEnd = ref.find_first_of("/?", authorityStart);
        if (!isSameServer(ref.substr(authorityStart, authorityEnd - authorityStart), host, port)) {
            return std::string();
        }
        target = authorityEnd == std::string::npos ? std::string("/") : ref.substr(authorityEnd);
    } else {
        const std::string base = basePath.substr(0, basePath.find('#'));
        if (ref[0] == '?') {
            target = base.substr(0, base.find('?')) + ref;  // the same page with another query
        } else {
            target = pageDirectory(base) + ref;
        }
    }
    if (target.empty() || target[0] != '/') target.insert(0, 1, '/');

    const size_t query = target.find('?');
    std::string resolved = removeDotSegments(target.substr(0, query));
    if (query != std::string::npos) resolved += target.substr(query);
    // The base page's path ends up in the request line too. "//" in front would read as a server
    // name wherever the path is taken as a reference again ("/.//x" gives "//x").
    if (resolved.compare(0, 2, "//") == 0) return std::string();
    for (const char c : resolved) {
        if (breaksRequestLine(c)) return std::string();
    }
    return resolved;
}
