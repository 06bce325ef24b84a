// The job lines of the main dialog and the window-backed DialogHost.
#include "ui/JobLines.h"

#include "ui/Resource.h"
#include "ui/Text.h"

namespace {

void showJobLines(HWND dialog, bool show) {
    ShowWindow(GetDlgItem(dialog, IDC_VPERFORM), show ? SW_HIDE : SW_SHOW);
    ShowWindow(GetDlgItem(dialog, IDC_AUTO_CHAPTER), show ? SW_HIDE : SW_SHOW);
    ShowWindow(GetDlgItem(dialog, IDC_MESSAGE), show ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_STATUS), show ? SW_SHOW : SW_HIDE);
}

}  // namespace

void showMessage(HWND dialog, const std::string& text) {
    setDialogItemText(dialog, IDC_MESSAGE, text);
    showJobLines(dialog, true);
}

void showStatus(HWND dialog, const std::string& text) {
    setDialogItemText(dialog, IDC_STATUS, text);
    showJobLines(dialog, true);
}

void restoreOptionRow(HWND dialog) { showJobLines(dialog, false); }

void WindowJobHost::setStepText(const std::string& text) { showMessage(dialog_, text); }

void WindowJobHost::setResultText(const std::string& text) { showStatus(dialog_, text); }

bool WindowJobHost::cancelRequested() const { return cancel_.load(); }

void WindowJobHost::postCompletion() {
    PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(kJobDoneCommand, 0), 0);
}

void WindowJobHost::showErrorBox(const std::string& text) {
    // No owner: the box must not wait for the dialog's thread, which stays free for Cancel.
    MessageBoxW(nullptr, wideFromSjis(text).c_str(), nullptr, MB_ICONERROR);
}

void WindowJobHost::clearCancel() { cancel_.store(false); }

void WindowJobHost::requestCancel() { cancel_.store(true); }
