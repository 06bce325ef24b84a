// Opens every dialog of Pelorane.exe in turn and saves a picture of each (24-bit BMP) for the
// documentation; scripts/screenshots.sh runs it under Wine and turns the pictures into PNG files.
//   ui_screenshots.exe OUTPUT_FOLDER SIMULATOR_PORT
// The recorder simulator at the port serves the reservation list and the channel page; the list
// is shown a second time with the reservations of OUTPUT_FOLDER\conflict.json (a JSON array).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Driver.h"
#include "Support.h"
#include "ui/Resource.h"

namespace {

using namespace ui;

std::wstring output;
int failures = 0;

void shoot(HWND window, const wchar_t* name) {
    if (window == nullptr) {
        std::fprintf(stderr, "screenshots: %ls did not open\n", name);
        ++failures;
        return;
    }
    SetForegroundWindow(window);
    Sleep(700);  // let the dialog paint completely
    const std::wstring path = output + name + L".bmp";
    if (!captureWindow(window, path)) {
        std::fprintf(stderr, "screenshots: could not capture %ls\n", name);
        ++failures;
        return;
    }
    std::printf("%ls\n", name);
}

// Opens a settings dialog from the main dialog's menu, captures it and closes it.
void settingsDialog(DWORD pid, HWND mainDialog, int command, const wchar_t* caption, const wchar_t* name,
                    int closeCommand) {
    postCommand(mainDialog, command);
    const HWND dialog = waitForDialog(pid, caption);
    shoot(dialog, name);
    if (dialog == nullptr) return;
    if (closeCommand == IDCANCEL) {
        pressKey(dialog, VK_ESCAPE);
    } else {
        click(dialog, closeCommand);
    }
    waitUntil([&] { return !IsWindow(dialog); }, 5000);
}

// Opens the reservation list from the main dialog, waits for its lines, points the timeline at
// `pointer`, captures the dialog and closes it.
void reservationList(DWORD pid, HWND mainDialog, const wchar_t* name, LPARAM pointer) {
    postCommand(mainDialog, IDM_RESERVATION_LIST);
    const HWND list = waitForDialog(pid, L"Pelorane - 録画予約一覧");
    if (list != nullptr) {
        waitUntil([&] { return listLines(item(list, IDC_RESERVATIONS)).size() > 0; }, 10000);
        const std::vector<HWND> timeline = childrenOfClass(list, L"XoWindowBase");
        if (!timeline.empty()) sendMessage(timeline[0], WM_MOUSEMOVE, 0, pointer);
    }
    shoot(list, name);
    if (list != nullptr) {
        pressKey(list, VK_ESCAPE);
        waitUntil([&] { return !IsWindow(list); }, 5000);
    }
}

// The whole content of a file; empty when it cannot be read.
std::string fileText(const std::wstring& path) {
    std::string text;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) return text;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    std::fclose(file);
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ui_screenshots OUTPUT_FOLDER SIMULATOR_PORT\n");
        return 2;
    }
    output = windowsPath(toUtf8(argv[1]));
    if (!output.empty() && output.back() != L'\\') output += L'\\';
    const int port = std::atoi(toUtf8(argv[2]).c_str());
    // The program draws at the screen's DPI; capture its windows at their real size.
    becomeDpiAware();
    const int dpi = screenDpi();

    // Wine draws the frames itself (there is no window manager on the private display).
    const UnmanagedWindows frames({L"Pelorane.exe"});
    Installation app(L"pelorane-screens");
    if (!app.ready()) {
        std::fprintf(stderr, "screenshots: could not copy Pelorane.exe\n");
        return 1;
    }
    app.writeSettings({{"httpserver", "127.0.0.1"},
                       {"httpport", std::to_string(port)},
                       {"smtpserver", "mail.example.jp"},
                       {"smtpuser", "taro"},
                       {"smtppass", "secret"},
                       {"from", "taro@example.jp"},
                       {"to", "recorder@example.jp"}});
    app.writeChannels(standardChannels());
    Iepg programme;
    programme.detail = "車窓から見える世界の風景を紹介する。\r\n今日はスイスの山岳鉄道。";
    const std::wstring iepg = app.writeIepg(L"programme.iepg", programme);
    if (!app.start(quoteArgument(iepg))) return 1;
    const DWORD pid = app.pid();
    const HWND mainDialog = waitForDialog(pid, kMainCaption);
    shoot(mainDialog, L"main");
    if (mainDialog == nullptr) return 1;

    settingsDialog(pid, mainDialog, IDM_TOOL_SETTINGS, L"ツール設定", L"settings-tool", IDCANCEL);
    settingsDialog(pid, mainDialog, IDM_MAIL_SETTINGS, L"メール設定", L"settings-mail", IDCANCEL);
    settingsDialog(pid, mainDialog, IDM_HTTP_SETTINGS, L"HTTP設定", L"settings-http", IDCANCEL);

    postCommand(mainDialog, IDM_CHANNEL_SETTINGS);
    const HWND channels = waitForDialog(pid, L"チャンネル設定");
    if (channels != nullptr) chooseListLine(channels, IDC_CHANNEL_LIST, 0);
    shoot(channels, L"settings-channel");
    if (channels != nullptr) {
        pressKey(channels, VK_ESCAPE);
        waitUntil([&] { return !IsWindow(channels); }, 5000);
    }

    // Point at the first column's first block so the status box shows a title.
    reservationList(pid, mainDialog, L"reservation-list", MAKELPARAM(scaled(39, dpi), scaled(28, dpi)));
    // The same with clashes: point at the red overlap of the first evening (22:15).
    const std::string clashes = fileText(output + L"conflict.json");
    if (clashes.empty() || !Simulator(port).setReservations(clashes)) {
        std::fprintf(stderr, "screenshots: could not give the simulator the clashing reservations\n");
        ++failures;
    } else {
        reservationList(pid, mainDialog, L"reservation-list-conflict",
                        MAKELPARAM(scaled(39, dpi), scaled(12 + 18 * 1035 / 60, dpi)));
    }

    postCommand(mainDialog, IDM_REMOTE);
    const HWND remote = waitForDialog(pid, L"Pelorane - リモコン");
    shoot(remote, L"remote");
    if (remote != nullptr) {
        pressKey(remote, VK_ESCAPE);
        waitUntil([&] { return !IsWindow(remote); }, 5000);
    }

    postCommand(mainDialog, IDCANCEL);
    app.process().waitForExit(10000);
    return failures == 0 ? 0 : 1;
}
