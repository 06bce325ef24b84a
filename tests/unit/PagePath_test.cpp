// Request paths from the frame sources and links of the recorder's pages.
#include <gtest/gtest.h>

#include <string>

#include "recorder/PagePath.h"

namespace {

struct PathCase {
    const char* base;
    std::string reference;
    const char* expected;  // "" = refused
    int port = 80;         // of the configured recorder "rec.local"
};

}  // namespace

TEST(ResolvePagePath, OnlyPathsOnTheConfiguredRecorderThatFitTheRequestLine) {
    const PathCase cases[] = {
        // the recorder's own absolute paths, byte for byte
        {"/program/b_prgrm.htm", "/program/rsv/menu.htm", "/program/rsv/menu.htm"},
        {"/program/rsv/menu.htm", "/program/rsv/detail.htm?no=1&t=12:00", "/program/rsv/detail.htm?no=1&t=12:00"},
        {"/program/b_prgrm.htm", "/\x95\x5c.htm", "/\x95\x5c.htm"},  // Shift_JIS, trail byte 0x5C
        // relative to the folder of the page it came from
        {"/program/b_prgrm.htm", "rsv/menu.htm", "/program/rsv/menu.htm"},
        {"/program/rsv/menu.htm", "reserve.htm", "/program/rsv/reserve.htm"},
        {"/program/rsv/menu.htm?a=/x/y", "reserve.htm", "/program/rsv/reserve.htm"},
        {"/program/rsv/menu.htm", "?no=2", "/program/rsv/menu.htm?no=2"},
        {"/", "a.htm", "/a.htm"},
        // dot segments, never above the root; the query is left alone
        {"/program/rsv/menu.htm", "../b_list.htm", "/program/b_list.htm"},
        {"/program/rsv/menu.htm", "./x/../y.htm", "/program/rsv/y.htm"},
        {"/program/rsv/menu.htm", "../../../../etc.htm", "/etc.htm"},
        {"/program/rsv/menu.htm", "/a/b/..", "/a/"},
        {"/program/rsv/menu.htm", ".", "/program/rsv/"},
        {"/program/rsv/menu.htm", "x.htm?p=../q#f", "/program/rsv/x.htm?p=../q"},
        // the fragment is dropped; a reference of nothing else names no page
        {"/program/b_prgrm.htm", "/program/b_list.htm#top", "/program/b_list.htm"},
        {"/program/b_prgrm.htm", "#top", ""},
        {"/program/b_prgrm.htm", "", ""},
        // http:// to the same host (any case) and port, 80 when none is given
        {"/program/b_prgrm.htm", "http://rec.local/program/rsv/menu.htm", "/program/rsv/menu.htm"},
        {"/program/b_prgrm.htm", "HTTP://REC.Local:80", "/"},
        {"/program/b_prgrm.htm", "http://rec.local:/x/../y.htm?q#f", "/y.htm?q"},
        {"/program/b_prgrm.htm", "http://rec.local?q", "/?q"},
        {"/", "http://rec.local:8080/x.htm", "/x.htm", 8080},
        // any other server, scheme or address form
        {"/program/b_prgrm.htm", "http://elsewhere/program/rsv/menu.htm", ""},
        {"/program/b_prgrm.htm", "http://rec.local:8080/x.htm", ""},
        {"/", "http://rec.local/x.htm", "", 8080},
        {"/", "http://rec.local:08080x/x.htm", "", 8080},
        {"/program/b_prgrm.htm", "http://rec.local.evil/x.htm", ""},
        {"/program/b_prgrm.htm", "http://user@rec.local/x.htm", ""},
        {"/program/b_prgrm.htm", "https://rec.local/x.htm", ""},
        {"/program/b_prgrm.htm", "http:/x.htm", ""},
        {"/program/b_prgrm.htm", "//rec.local/x.htm", ""},
        {"/program/b_prgrm.htm", "/.//elsewhere/x.htm", ""},
        {"/program/b_prgrm.htm", "javascript:void(0)", ""},
        {"/program/b_prgrm.htm", "mailto:rd@rec.local", ""},
        // blanks and control bytes would end the request line or add header lines
        {"/program/b_prgrm.htm", "/b list.htm", ""},
        {"/program/b_prgrm.htm", "/l.htm\r\nX-Injected: 1", ""},
        {"/program/b_prgrm.htm", "rsv/menu.htm\tx", ""},
        {"/program/b_prgrm.htm", std::string("/l\0.htm", 7), ""},
        {"/program/b_prgrm.htm", "/l.htm\x7f", ""},
        {"/program/b_prgrm.htm", "/l.htm#\n", ""},
        {"/pro gram/b_prgrm.htm", "x.htm", ""},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(resolvePagePath(c.base, c.reference, "rec.local", c.port), c.expected)
            << "base " << c.base << ", reference " << c.reference;
    }
}
