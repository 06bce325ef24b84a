// openUrl through the Windows shell.
#include "platform/Shell.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/Utf16_win.h"

namespace {
constexpr unsigned kShiftJisCodePage = 932;  // settings text, including mail addresses, is Shift_JIS
}

int openUrl(const std::string& url) {
    const std::wstring wide = widenCodePage(url, kShiftJisCodePage);
    SHELLEXECUTEINFOW info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.lpFile = wide.c_str();
    info.nShow = SW_SHOW;
    return ShellExecuteExW(&info) ? 1 : 0;
}
