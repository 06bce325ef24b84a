// Module path and command line from the wide-character calls, converted to UTF-8.
#include "platform/Process.h"

#include <windows.h>

#include <vector>

#include "platform/Utf16_win.h"

std::string modulePath() {
    // Grow the buffer until the whole path fits: a fixed MAX_PATH buffer would cut long paths.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::string();
        if (n < buffer.size()) return narrowUtf8(std::wstring(buffer.data(), n));
        if (buffer.size() >= 32768) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::string commandLineText() {
    const wchar_t* p = GetCommandLineW();
    if (p == nullptr) return std::string();
    // The program's own name comes first, quoted or bare; only a space or tab ends a bare one.
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return narrowUtf8(p);
}
