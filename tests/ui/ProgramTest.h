// The fixture of the dialog tests: a private installation of Pelorane.exe, the recorder simulator,
// and helpers to open the main dialog and follow a booking job.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "Driver.h"
#include "Support.h"
#include "ui/Resource.h"

namespace ui {

// Texts compare as UTF-8, so that failures print readably.
inline std::string u8(const std::wstring& text) { return toUtf8(text); }
inline std::string textOf(HWND dialog, int id) { return toUtf8(itemText(dialog, id)); }
inline std::vector<std::string> u8(const std::vector<std::wstring>& texts) {
    std::vector<std::string> out;
    for (const std::wstring& t : texts) out.push_back(toUtf8(t));
    return out;
}

// Texts of the main dialog's lines.
inline const std::string kChooseChannel = "チャンネルを選択してください。";
inline const std::string kBadTime = "正しい時刻を指定してください。";
inline const std::string kRunning = "登録中…";
inline const std::string kSucceeded = "成功。";
inline const std::string kCancelled = "中断…";
inline const std::string kFailed = "失敗！";
inline std::string stepText(int step) { return "登録処理(" + std::to_string(step) + "/4)"; }

inline const std::wstring kMailCaption = L"メール設定";
inline const std::wstring kHttpCaption = L"HTTP設定";
inline const std::wstring kToolCaption = L"ツール設定";
inline const std::wstring kChannelCaption = L"チャンネル設定";

// The key/values for booking over HTTP at the simulator.
inline Settings recorderSettings(int simulatorPort) {
    return Settings{{"httpserver", "127.0.0.1"}, {"httpport", std::to_string(simulatorPort)}};
}

inline Settings merged(Settings base, const Settings& more) {
    for (const auto& [key, value] : more) base[key] = value;
    return base;
}

// What the main dialog's two job lines and the option row show at one moment.
struct JobLines {
    std::string message;
    std::string status;
    bool messageVisible = false;
    bool statusVisible = false;
    bool optionRowVisible = false;  // both check boxes 1013 and 1026
};

inline JobLines readJobLines(HWND dialog) {
    JobLines lines;
    lines.message = textOf(dialog, IDC_MESSAGE);
    lines.status = textOf(dialog, IDC_STATUS);
    lines.messageVisible = visible(item(dialog, IDC_MESSAGE));
    lines.statusVisible = visible(item(dialog, IDC_STATUS));
    lines.optionRowVisible = visible(item(dialog, IDC_VPERFORM)) && visible(item(dialog, IDC_AUTO_CHAPTER));
    return lines;
}

// True when the option row shows the check boxes and hides both job lines.
inline bool optionRowRestored(HWND dialog) {
    const JobLines lines = readJobLines(dialog);
    return lines.optionRowVisible && !lines.messageVisible && !lines.statusVisible;
}

// True when the row shows the two job lines in place of the check boxes.
inline bool jobLinesShown(HWND dialog) {
    const JobLines lines = readJobLines(dialog);
    return !visible(item(dialog, IDC_VPERFORM)) && !visible(item(dialog, IDC_AUTO_CHAPTER)) &&
           lines.messageVisible && lines.statusVisible;
}

class ProgramTest : public ::testing::Test {
protected:
    // The folder name's prefix; a test may use another (Japanese) one.
    virtual std::wstring folderPrefix() const { return L"pelorane-ui"; }

    void SetUp() override {
        app = std::make_unique<Installation>(folderPrefix());
        ASSERT_TRUE(app->ready()) << "could not copy " << toUtf8(builtProgram()) << " into a test folder";
        simPort = serverPort("PELORANE_SIM_PORT");
    }

    void TearDown() override {
        // A test that failed half-way leaves no program behind.
        if (app) app->process().terminate();
    }

    // The simulator, reset to no reservations and an empty log; fails the test without the servers.
    Simulator& simulator() {
        EXPECT_GT(simPort, 0) << "the loopback servers are not running (PELORANE_SERVERS_ENV)";
        sim = std::make_unique<Simulator>(simPort);
        EXPECT_TRUE(sim->reset(false)) << "the recorder simulator does not answer";
        return *sim;
    }

    // Starts the program and waits for its main dialog.
    HWND startMain(const std::wstring& arguments = std::wstring(), const std::wstring& caption = kMainCaption) {
        if (!app->start(arguments)) {
            ADD_FAILURE() << "Pelorane.exe did not start, error " << app->lastStartError();
            return nullptr;
        }
        const HWND dialog = waitForDialog(app->pid(), caption);
        if (dialog == nullptr) ADD_FAILURE() << "no main dialog \"" << toUtf8(caption) << "\" appeared";
        return dialog;
    }

    // Waits for a settings or other dialog of the program by caption.
    HWND waitDialog(const std::wstring& caption, int timeoutMs = kDefaultTimeoutMs) {
        return waitForDialog(app->pid(), caption, timeoutMs);
    }

    // Ends the program through the main dialog's "終了(&C)" and waits for its end.
    bool quit(HWND mainDialog) {
        postCommand(mainDialog, IDCANCEL);
        return app->process().waitForExit(kDefaultTimeoutMs);
    }

    // Follows the job lines until the status shows one of the final texts; the message texts seen
    // on the way, in order and without repeats. `staleStatus`, the result of an earlier job still in
    // the status field, counts only once the field has shown something else. The job posts its
    // completion right after the final text; a short pause lets the dialog handle it, so the next
    // command finds the dialog idle.
    std::vector<std::string> followJob(HWND dialog, std::string& finalStatus, int timeoutMs = 20000,
                                       const std::string& staleStatus = std::string()) {
        std::vector<std::string> messages;
        finalStatus.clear();
        bool changed = staleStatus.empty();
        waitUntil(
            [&] {
                const std::string message = textOf(dialog, IDC_MESSAGE);
                if (!message.empty() && (messages.empty() || messages.back() != message)) messages.push_back(message);
                const ULONGLONG readAt = GetTickCount64();
                const std::string status = textOf(dialog, IDC_STATUS);
                if (status != staleStatus) changed = true;
                if (changed && (status == kSucceeded || status == kFailed || status == kCancelled)) {
                    finalStatus = status;
                    return true;
                }
                if (status == kRunning) runningLastSeenAt = readAt;
                return !app->process().running();
            },
            timeoutMs, 2);
        if (!finalStatus.empty()) Sleep(300);
        return messages;
    }

    std::unique_ptr<Installation> app;
    std::unique_ptr<Simulator> sim;
    // A time before which followJob's last reading still showed the job running: the final status
    // was set after it, however late the test's thread got to look.
    ULONGLONG runningLastSeenAt = 0;
    int simPort = 0;
};

// The settings dialog tests: the program started with the given settings (and the standard channel
// table), then one settings dialog opened from the main dialog's menu.
class SettingsDialogTest : public ProgramTest {
protected:
    HWND openSettings(UINT menuCommand, const std::wstring& caption, const Settings& settings,
                      bool standardTable = true, const std::wstring& mainCaption = kMainCaption) {
        EXPECT_TRUE(app->writeSettings(settings));
        if (standardTable) {
            EXPECT_TRUE(app->writeChannels(standardChannels()));
        }
        mainDialog = startMain(std::wstring(), mainCaption);
        if (mainDialog == nullptr) return nullptr;
        postCommand(mainDialog, menuCommand);
        const HWND dialog = waitDialog(caption);
        if (dialog == nullptr) ADD_FAILURE() << "\"" << toUtf8(caption) << "\" did not open";
        return dialog;
    }

    bool closed(HWND dialog) { return waitUntil([&] { return !IsWindow(dialog); }, 5000); }

    // Ends the dialog with OK or Cancel, then the program.
    void closeAndQuit(HWND dialog, int button = IDCANCEL) {
        click(dialog, button);
        EXPECT_TRUE(closed(dialog));
        EXPECT_TRUE(quit(mainDialog));
    }

    // Ends the dialog with Escape (the channel dialog has no Cancel button), then the program.
    void escapeAndQuit(HWND dialog) {
        pressKey(dialog, VK_ESCAPE);
        EXPECT_TRUE(closed(dialog));
        EXPECT_TRUE(quit(mainDialog));
    }

    // Every one of the boxes has the edit style (ES_NUMBER, ES_PASSWORD).
    static void expectEditStyle(HWND dialog, std::initializer_list<int> ids, LONG style) {
        for (const int id : ids) EXPECT_TRUE(GetWindowLongW(item(dialog, id), GWL_STYLE) & style) << id;
    }

    HWND mainDialog = nullptr;
};

// The texts in order as one readable line for failure messages.
inline std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += (out.empty() ? "" : " | ") + t;
    return out;
}

// True when `wanted` appear in `seen` in this order (others may come between).
inline bool inOrder(const std::vector<std::string>& seen, const std::vector<std::string>& wanted) {
    size_t next = 0;
    for (const std::string& text : seen) {
        if (next < wanted.size() && text == wanted[next]) ++next;
    }
    return next == wanted.size();
}

}  // namespace ui
