// Shift_JIS window text over the wide API, converted with code page 932 in both directions.
#include "ui/Text.h"

#include <vector>

#include "platform/Utf16_win.h"

std::wstring wideFromSjis(const std::string& sjis) { return widenCodePage(sjis, kProgramCodePage); }

std::string sjisFromWide(const std::wstring& wide) { return narrowCodePage(wide, kProgramCodePage); }

std::string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::string();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    // The text may have shrunk since the length query: keep only what was copied.
    const int copied = GetWindowTextW(window, buffer.data(), length + 1);
    if (copied <= 0) return std::string();
    return sjisFromWide(std::wstring(buffer.data(), static_cast<size_t>(copied)));
}

bool setWindowText(HWND window, const std::string& sjis) {
    return SetWindowTextW(window, wideFromSjis(sjis).c_str()) != FALSE;
}

std::string dialogItemText(HWND dialog, int controlId) { return windowText(GetDlgItem(dialog, controlId)); }

bool setDialogItemText(HWND dialog, int controlId, const std::string& sjis) {
    return SetDlgItemTextW(dialog, controlId, wideFromSjis(sjis).c_str()) != FALSE;
}
