// The recipient pre-fill shared by the mail and tool settings: an empty "宛先" takes "送信元".
#pragma once

#include <windows.h>

// True for the notification that the "宛先" box (1040) has received the focus.
bool isRecipientFocus(WPARAM commandParameter);
// When the dialog's "宛先" box (1040) is empty, writes the current text of its "送信元" box (1032) into it.
void prefillRecipient(HWND dialog);
