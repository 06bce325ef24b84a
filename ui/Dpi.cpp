// DPI queries and fonts for another DPI, with the functions newer than Windows 7 looked up at run time.
#include "ui/Dpi.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
// DIALOG_DPI_CHANGE_BEHAVIORS of the Windows 10 SDK; MinGW's headers for Windows 7 lack them.
using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
constexpr int kDialogDisableFontUpdate = 0x01;
constexpr int kDialogDisableResize = 0x02;
constexpr int kDialogDisableControlRelayout = 0x04;

template <typename Function>
Function user32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

BOOL CALLBACK setFontOfChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

}  // namespace

int windowDpi(HWND window) {
    static const GetDpiForWindowFunction getDpiForWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    const HDC dc = GetDC(window);
    int dpi = 0;
    if (dc != nullptr) {
        dpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(window, dc);
    }
    return dpi > 0 ? dpi : kStandardScreenDpi;
}

int scaledForDpi(int pixels, int dpi) { return MulDiv(pixels, dpi, kStandardScreenDpi); }

void keepOwnLayoutOnDpiChange(HWND dialog) {
    static const SetDialogDpiChangeBehaviorFunction setBehavior =
        user32Function<SetDialogDpiChangeBehaviorFunction>("SetDialogDpiChangeBehavior");
    if (setBehavior == nullptr) return;
    const int mask = kDialogDisableFontUpdate | kDialogDisableResize | kDialogDisableControlRelayout;
    setBehavior(dialog, mask, mask);
}

HFONT fontForDpi(HFONT font, int fromDpi, int toDpi) {
    LOGFONTW description = {};
    if (font == nullptr || GetObjectW(font, sizeof description, &description) == 0) return nullptr;
    if (fromDpi <= 0 || toDpi <= 0) return nullptr;
    description.lfHeight = MulDiv(description.lfHeight, toDpi, fromDpi);
    description.lfWidth = MulDiv(description.lfWidth, toDpi, fromDpi);
    return CreateFontIndirectW(&description);
}

void setChildFonts(HWND parent, HFONT font) {
    EnumChildWindows(parent, &setFontOfChild, reinterpret_cast<LPARAM>(font));
}
