// Times toIso2022Jp on ~1 MiB of mixed Shift_JIS text, line by line, against glibc iconv when present.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/Timing.h"
#include "net/JisEncoder.h"

#if defined(__has_include)
#if __has_include(<iconv.h>) && defined(__GLIBC__)
#include <iconv.h>
#define PELORANE_HAVE_ICONV 1
#endif
#endif

namespace {

constexpr size_t kTextBytes = 1024 * 1024;
constexpr int kRuns = 9;

// A piece of text as the encoder sees it and, for iconv (which has no half-width katakana in
// ISO-2022-JP), the same piece with the half-width katakana already widened.
struct Piece {
    const char* text;
    const char* widened;
};

const Piece kPieces[] = {
    {"\x8a\xbf\x8e\x9a", nullptr},                                  // 漢字
    {"\x95\xfa\x91\x97", nullptr},                                  // 放送
    {"\x98\x5e\x89\xe6\x97\x5c\x96\xf1", nullptr},                  // 録画予約
    {"\x83\x6a\x83\x85\x81\x5b\x83\x58", nullptr},                  // ニュース
    {"\x82\xcc", nullptr},                                          // の
    {"\x82\xc5\x82\xb7\x81\x42", nullptr},                          // です。
    {"\x81\x75\x93\x56\x8b\x43\x97\x5c\x95\xf1\x81\x76", nullptr},  // 「天気予報」
    {"\x83\x68\x83\x89\x83\x7d", nullptr},                          // ドラマ
    {"\xc6\xad\xb0\xbd", "\x83\x6a\x83\x85\x81\x5b\x83\x58"},       // ﾆｭｰｽ / ニュース
    {"\xc4\xde\xd7\xcf", "\x83\x68\x83\x89\x83\x7d"},               // ﾄﾞﾗﾏ / ドラマ
    {"\xcb\xdf\xb1\xc9", "\x83\x73\x83\x41\x83\x6d"},               // ﾋﾟｱﾉ / ピアノ
    {"\xb1\xc6\xd2", "\x83\x41\x83\x6a\x83\x81"},                   // ｱﾆﾒ / アニメ
    {"NHK ", nullptr},
    {"ch 12 ", nullptr},
    {"2024/05/17 21:00-21:54 ", nullptr},
    {"HDD SP ", nullptr},
    {"(", nullptr},
    {") ", nullptr},
};
constexpr uint32_t kPieceCount = sizeof kPieces / sizeof kPieces[0];

// A small deterministic generator, so every run and every machine sees the same text.
struct Lcg {
    uint32_t state = 4242;
    uint32_t next(uint32_t bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % bound;
    }
};

struct Lines {
    std::vector<std::string> text;     // for toIso2022Jp
    std::vector<std::string> widened;  // the same lines for iconv
    size_t bytes = 0;
};

// Lines of 60 to 80 bytes (a piece never splits) until kTextBytes are reached.
Lines buildLines() {
    Lines lines;
    Lcg random;
    while (lines.bytes < kTextBytes) {
        const size_t target = 60 + random.next(21);
        std::string line, widened;
        while (line.size() < target) {
            const Piece& piece = kPieces[random.next(kPieceCount)];
            if (line.size() + std::char_traits<char>::length(piece.text) > 80) break;
            line += piece.text;
            widened += piece.widened != nullptr ? piece.widened : piece.text;
        }
        lines.bytes += line.size();
        lines.text.push_back(line);
        lines.widened.push_back(widened);
    }
    return lines;
}

volatile size_t gSink;  // keeps results alive so the work is not optimised away

#ifdef PELORANE_HAVE_ICONV
// One line through iconv, ended with the return to the initial state (ESC ( B), as a new string.
std::string iconvLine(iconv_t cd, const std::string& line) {
    char buffer[512];
    char* in = const_cast<char*>(line.data());
    size_t inLeft = line.size();
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv(cd, nullptr, nullptr, &out, &outLeft);
    return std::string(buffer, static_cast<size_t>(out - buffer));
}
#endif

}  // namespace

int main() {
    const Lines lines = buildLines();
    std::printf("text: %zu bytes in %zu lines\n", lines.bytes, lines.text.size());

    size_t ourBytes = 0;
    const double oursMs = medianMs(kRuns, [&] {
        size_t total = 0;
        for (const std::string& line : lines.text) total += toIso2022Jp(line).size();
        ourBytes = total;
        gSink = total;
    });
    std::printf("toIso2022Jp:                 %8.3f ms  (%zu bytes out)\n", oursMs, ourBytes);

#ifdef PELORANE_HAVE_ICONV
    // iconv is given the lines with the half-width katakana widened beforehand (outside the timing),
    // so both sides produce the same characters; its state is reset at the end of every line.
    const iconv_t cd = iconv_open("ISO-2022-JP", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::printf("iconv cannot convert CP932 to ISO-2022-JP: no comparison\n");
        return 0;
    }
    size_t mismatches = 0;
    for (size_t i = 0; i < lines.text.size(); ++i) {
        std::string expected = iconvLine(cd, lines.widened[i]);
        for (size_t at = expected.find("\x1b(B"); at != std::string::npos; at = expected.find("\x1b(B", at)) {
            expected[at + 2] = 'J';
        }
        if (toIso2022Jp(lines.text[i]) != expected) ++mismatches;
    }
    std::printf("lines differing from iconv (ESC ( B read as ESC ( J): %zu\n", mismatches);

    size_t iconvBytes = 0;
    const double iconvMs = medianMs(kRuns, [&] {
        size_t total = 0;
        for (const std::string& line : lines.widened) total += iconvLine(cd, line).size();
        iconvBytes = total;
        gSink = total;
    });
    iconv_close(cd);
    std::printf("iconv CP932 -> ISO-2022-JP:  %8.3f ms  (%zu bytes out)\n", iconvMs, iconvBytes);
    std::printf("ratio toIso2022Jp / iconv: %.3f\n", oursMs / iconvMs);
#else
    std::printf("glibc iconv not available: no comparison\n");
#endif
    return 0;
}
