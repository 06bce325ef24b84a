// The DPI a window is drawn at, and 96-DPI pixel lengths scaled to it.
#pragma once

#include <windows.h>

constexpr int kStandardScreenDpi = 96;

// The window's DPI: its monitor's where the system knows it per window (GetDpiForWindow, Windows 10
// 1607 and later), else the screen's (LOGPIXELSY), else 96.
int windowDpi(HWND window);

// A length of `pixels` on a 96-DPI screen at `dpi`, rounded.
int scaledForDpi(int pixels, int dpi);

// Stops the dialog manager from moving and resizing a dialog's controls when its DPI changes (per
// monitor v2, Windows 10 1703 and later): for a dialog that lays out its controls itself. The
// dialog's font is still updated. Nothing on systems without it.
void keepOwnLayoutOnDpiChange(HWND dialog);
