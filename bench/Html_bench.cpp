// Times the two HTML readers on a ~1 MiB reservation-list page, against libxml2's HTML parser when present.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/Timing.h"
#include "recorder/HtmlReader.h"
#include "recorder/HtmlTokenizer.h"
#include "recorder/MemorySource.h"

#ifdef PELORANE_HAVE_LIBXML2
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#endif

namespace {

constexpr size_t kPageBytes = 1024 * 1024;
constexpr int kRuns = 9;

// Shift_JIS pieces of the titles; each is a few full-width words.
const char* const kTitleWords[] = {
    "\x83\x6a\x83\x85\x81\x5b\x83\x58",  // ニュース
    "\x89\x66\x89\xe6",                  // 映画
    "\x94\xd4\x91\x67",                  // 番組
    "\x83\x5c\x95\x5c",                  // ソ表 (trail bytes 0x5C)
    "\x93\x56\x8b\x43",                  // 天気
    "\x83\x68\x83\x89\x83\x7d",          // ドラマ
};
const char* const kWeekdays[] = {
    "\x93\xfa", "\x8c\x8e", "\x89\xce", "\x90\x85", "\x96\xd8", "\x8b\xe0", "\x93\x79",  // 日月火水木金土
};

// A small deterministic generator, so every run and every machine sees the same page.
struct Lcg {
    uint32_t state = 12345;
    uint32_t next(uint32_t bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % bound;
    }
};

std::string twoDigits(uint32_t n) {
    return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

// The recorder's reservation list as a table of many rows, "予約一覧" as its title.
std::string buildPage() {
    Lcg random;
    std::string page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
        "<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
        "<TITLE>\x97\x5c\x96\xf1\x88\xea\x97\x97</TITLE></HEAD>\r\n<BODY bgcolor=\"#ffffff\">\r\n"
        "<TABLE border=\"1\" cellspacing=\"0\" width=\"100%\">\r\n";
    for (uint32_t row = 1; page.size() < kPageBytes; ++row) {
        const uint32_t month = 1 + random.next(12), day = 1 + random.next(28), hour = random.next(24);
        const uint32_t minute = random.next(4) * 15;
        std::string title;
        for (uint32_t w = 0, words = 2 + random.next(4); w < words; ++w) {
            if (w > 0) title += random.next(5) == 0 ? " &amp; " : " ";
            title += kTitleWords[random.next(6)];
        }
        page += "<TR>\r\n  <TD align=\"right\">" + std::to_string(row) + "</TD>";
        page += "<TD><IMG SRC=\"/img/parts/check_" + std::string(random.next(4) == 0 ? "off" : "on") +
                ".gif\" width=16 height=16></TD>\r\n";
        page += "  <TD><A HREF=\"/program/b_edit.htm?no=" + std::to_string(row) + "\">" + title + "</A></TD>";
        page += "<TD>" + std::to_string(1 + random.next(12)) + "ch</TD>";
        page += "<TD nowrap>" + std::to_string(month) + "/" + std::to_string(day) + "(" + kWeekdays[random.next(7)] +
                ")</TD>";
        page += "<TD>" + twoDigits(hour) + ":" + twoDigits(minute) + "</TD><TD>" + twoDigits((hour + 1) % 24) + ":" +
                twoDigits(minute) + "</TD>\r\n";
        page += "  <TD>SP</TD><TD>HDD</TD><TD class=\"x\">&nbsp;</TD>\r\n</TR>\r\n";
    }
    page += "</TABLE>\r\n<!-- end of list -->\r\n</BODY></HTML>\r\n";
    return page;
}

class CountingHandler : public HtmlHandler {
public:
    bool onText(const std::string& text) override {
        ++texts;
        bytes += text.size();
        return true;
    }
    bool onStartTag(const std::string& name, const AttributeMap& attributes) override {
        ++startTags;
        bytes += name.size() + attributes.size();
        return true;
    }
    bool onEndTag(const std::string& name) override {
        ++endTags;
        bytes += name.size();
        return true;
    }
    size_t texts = 0, startTags = 0, endTags = 0, bytes = 0;
};

volatile size_t gSink;  // keeps results alive so the work is not optimised away

}  // namespace

int main() {
    const std::string page = buildPage();
    std::printf("page: %zu bytes\n", page.size());

    CountingHandler counts;
    const double tokenizerMs = medianMs(kRuns, [&] {
        CountingHandler handler;
        parseHtml(page, handler);
        counts = handler;
        gSink = handler.bytes;
    });
    std::printf("HtmlTokenizer: %8.3f ms  (%zu texts, %zu start tags, %zu end tags)\n", tokenizerMs, counts.texts,
                counts.startTags, counts.endTags);

    size_t readerTokens = 0;
    const double readerMs = medianMs(kRuns, [&] {
        MemorySource source(page);
        HtmlReader reader;
        reader.open(&source);
        size_t tokens = 0, bytes = 0;
        for (TokenKind kind = reader.next(); kind != TokenKind::EndOfInput && kind != TokenKind::Error;
             kind = reader.next()) {
            ++tokens;
            if (kind == TokenKind::Text) {
                bytes += reader.text().size();
            } else if (kind == TokenKind::StartTag) {
                bytes += reader.tagName().size() + reader.attribute("src").size() + reader.attribute("href").size();
                for (const auto& attribute : reader.attributes()) bytes += attribute.second.size();
            } else if (kind == TokenKind::EndTag) {
                bytes += reader.tagName().size();
            }
        }
        readerTokens = tokens;
        gSink = bytes;
    });
    std::printf("HtmlReader:    %8.3f ms  (%zu tokens)\n", readerMs, readerTokens);

#ifdef PELORANE_HAVE_LIBXML2
    // Told the page's real encoding, libxml2 builds the document a caller would want (text as UTF-8).
    const int options = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
    const double libxmlMs = medianMs(kRuns, [&] {
        htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), "list.htm", "SHIFT_JIS", options);
        gSink = doc != nullptr ? 1 : 0;
        xmlFreeDoc(doc);
    });
    xmlCleanupParser();
    std::printf("libxml2 htmlReadMemory (SHIFT_JIS): %8.3f ms\n", libxmlMs);
    std::printf("ratio HtmlTokenizer / libxml2: %.3f\n", tokenizerMs / libxmlMs);
    std::printf("ratio HtmlReader    / libxml2: %.3f\n", readerMs / libxmlMs);
#else
    std::printf("libxml2 not found: no comparison\n");
#endif
    return 0;
}
