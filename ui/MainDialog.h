// The main reservation dialog (template 101): shows one reservation and books it by mail, HTTP or mailer.
#pragma once

#include <windows.h>

#include <memory>

#include "core/Reservation.h"
#include "net/WorkerThread.h"
#include "ui/JobLines.h"

class ChannelTable;
class ConfigStore;

// The booking that finished well closes the dialog after this long, so its result can be read.
constexpr UINT kCloseTimerId = 1;
constexpr UINT kCloseDelayMs = 1000;

struct MainDialog {
    MainDialog() = default;
    // A job still held when the dialog has gone is cancelled and waited for: it refers to this record.
    ~MainDialog();
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    HWND hwnd = nullptr;
    HWND channelCombo = nullptr;
    // The application's stores unless set before the dialog opens.
    ConfigStore* config = nullptr;
    ChannelTable* channels = nullptr;
    // The booking job on its worker thread; kept after a success until the dialog closes.
    std::unique_ptr<DialogJob> job;
    // Filled by the main routine before the dialog opens; the controls' values once validated.
    Reservation reservation;
    // The job's view of this dialog, with the cancel flag.
    WindowJobHost host;
    // From the executable's first icon; released when the dialog has ended.
    HICON largeIcon = nullptr;
    HICON smallIcon = nullptr;
};

// Runs the dialog modally; its message loop is the program's main loop. 1 after the mailer was
// launched, 2 after Cancel, "終了(&C)" or a successful booking, -1 when it could not be created.
int runMainDialog(MainDialog& dialog, HWND owner);
