// Text conversions through MultiByteToWideChar / WideCharToMultiByte.
#include "platform/Utf16_win.h"

#include <windows.h>

std::wstring widenCodePage(const std::string& bytes, unsigned codePage) {
    if (bytes.empty()) return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], n);
    return wide;
}

std::string narrowCodePage(const std::wstring& wide, unsigned codePage) {
    if (wide.empty()) return std::string();
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &bytes[0], n, nullptr, nullptr);
    return bytes;
}

std::wstring widenUtf8(const std::string& utf8) { return widenCodePage(utf8, CP_UTF8); }
std::string narrowUtf8(const std::wstring& wide) { return narrowCodePage(wide, CP_UTF8); }
