// The DPI a window is drawn at, and 96-DPI pixel lengths scaled to it.
#pragma once

#include <windows.h>

constexpr int kStandardScreenDpi = 96;

// The window's DPI: its monitor's where the system knows it per window (GetDpiForWindow, Windows 10
// 1607 and later), else the screen's (LOGPIXELSY), else 96.
int windowDpi(HWND window);

// A length of `pixels` on a 96-DPI screen at `dpi`, rounded.
int scaledForDpi(int pixels, int dpi);

// Stops the dialog manager from resizing a dialog, moving its controls and changing their fonts when
// its DPI changes (per monitor v2, Windows 10 1703 and later): for a dialog that does all of that
// itself. Nothing on systems without it.
void keepOwnLayoutOnDpiChange(HWND dialog);

// `font`, made for a screen of `fromDpi`, made again for `toDpi`: the same face and style, its height
// scaled. Null when no font could be made; the caller deletes it.
HFONT fontForDpi(HFONT font, int fromDpi, int toDpi);

// Gives every child window of `parent` the font and redraws it.
void setChildFonts(HWND parent, HFONT font);
