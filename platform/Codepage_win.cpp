// Code page 932 conversions through UTF-16, independent of the system's ANSI code page.
#include "platform/Codepage.h"

#include <windows.h>

namespace {

bool convert(const std::string& in, unsigned fromCodePage, unsigned toCodePage, std::string& out) {
    if (in.empty()) {
        out.clear();
        return true;
    }
    const int wideLength =
        MultiByteToWideChar(fromCodePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (wideLength <= 0) return false;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(fromCodePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), &wide[0],
                        wideLength);
    BOOL lossy = FALSE;
    const bool toUtf8 = toCodePage == CP_UTF8;
    const int n = WideCharToMultiByte(toCodePage, 0, wide.data(), wideLength, nullptr, 0, nullptr,
                                      toUtf8 ? nullptr : &lossy);
    if (n <= 0 || lossy) return false;
    std::string result(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(toCodePage, 0, wide.data(), wideLength, &result[0], n, nullptr, nullptr);
    out.swap(result);
    return true;
}

}  // namespace

bool utf8ToSjis(const std::string& utf8, std::string& out) { return convert(utf8, CP_UTF8, 932, out); }
bool sjisToUtf8(const std::string& sjis, std::string& out) { return convert(sjis, 932, CP_UTF8, out); }
