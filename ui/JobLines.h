// The main dialog's side of a booking job: the option row's two job lines, the cancel flag, the end.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "net/WorkerThread.h"

// The row under the combo boxes shows either the check boxes 1013/1026 or the job lines 1027/1028.
// Text := 1027 (message line), then the job lines in place of the check boxes.
void showMessage(HWND dialog, const std::string& text);
// Text := 1028 (status field), then the job lines in place of the check boxes.
void showStatus(HWND dialog, const std::string& text);
// The check boxes back in place of the job lines.
void restoreOptionRow(HWND dialog);

// A DialogHost over a dialog window. Its texts are set from the worker thread with the window calls,
// which the dialog's thread answers inside its message loop.
class WindowJobHost : public DialogHost {
public:
    // The dialog the texts and the completion command go to; set before any job starts.
    void attach(HWND dialog) { dialog_ = dialog; }

    void setStepText(const std::string& text) override;
    void setResultText(const std::string& text) override;
    bool cancelRequested() const override;
    // WM_COMMAND kJobDoneCommand, posted.
    void postCompletion() override;
    // MB_ICONERROR box without owner and without caption of its own.
    void showErrorBox(const std::string& text) override;

    // Dialog thread only: before a job starts, and on Cancel while it runs.
    void clearCancel();
    void requestCancel();

private:
    HWND dialog_ = nullptr;
    std::atomic<bool> cancel_{false};
};
