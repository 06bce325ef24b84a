// The recipient pre-fill: most users send the reservation mail from and to their own address.
#include "ui/Recipient.h"

#include <string>

#include "ui/Resource.h"
#include "ui/Text.h"

bool isRecipientFocus(WPARAM commandParameter) {
    return LOWORD(commandParameter) == IDC_TO && HIWORD(commandParameter) == EN_SETFOCUS;
}

void prefillRecipient(HWND dialog) {
    // The boxes are read, not the dialog's record: what counts is what the user sees right now.
    if (!dialogItemText(dialog, IDC_TO).empty()) return;
    const std::string from = dialogItemText(dialog, IDC_FROM);
    if (!from.empty()) setDialogItemText(dialog, IDC_TO, from);
}
