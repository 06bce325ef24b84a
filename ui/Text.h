// Shift_JIS text in and out of windows through the wide API, so Japanese survives any ANSI code page.
#pragma once

#include <windows.h>

#include <string>

// The program's text code page: Shift_JIS, whatever the system's ANSI code page is.
constexpr unsigned kProgramCodePage = 932;

// Shift_JIS bytes as UTF-16; empty for empty input.
std::wstring wideFromSjis(const std::string& sjis);
// UTF-16 as Shift_JIS bytes; characters without a Shift_JIS form become the default character.
std::string sjisFromWide(const std::wstring& wide);

// The window's whole text as Shift_JIS; empty when the window has none or does not exist.
std::string windowText(HWND window);
// Sets the window's text from Shift_JIS; false when the window refused it.
bool setWindowText(HWND window, const std::string& sjis);
// The same for a dialog's control, found by its identifier.
std::string dialogItemText(HWND dialog, int controlId);
bool setDialogItemText(HWND dialog, int controlId, const std::string& sjis);
