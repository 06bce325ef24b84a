// The mailer road: the program hands a mailto: URL to the shell, which starts the registered mail
// program. A recording stand-in is registered as the mailto handler in the Wine prefix for each
// test and the previous handler restored afterwards.
#include "ProgramTest.h"

#include <shellapi.h>

namespace ui {
namespace {

// What the stand-in mail program recorded: one command line per start.
std::vector<std::wstring> recordedCommandLines(const std::wstring& file) {
    std::vector<std::wstring> lines;
    const std::wstring text = fromUtf8(readFile(file));
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The arguments of a command line, program name first.
std::vector<std::wstring> splitArguments(const std::wstring& commandLine) {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(commandLine.c_str(), &count);
    if (list == nullptr) return arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(list[i]);
    LocalFree(list);
    return arguments;
}

// The URL for the standard programme with the title "ソ表能 News": every line percent-encoded byte by
// byte from Shift_JIS (trail bytes 0x5C of ソ, 表 and 能 stay as they are), each followed by CR LF,
// then the sender as Bcc.
const char kExpectedUrl[] =
    "mailto:recorder@example.jp?body="
    "open%20rdmail%20tv%20SC001%202100%202230%200614%0D%0A"
    "%83\\%95\\%94\\%20News%0D%0A"
    "%91%E6%88%EA%8Ds%0D%0A%91%E6%93%F1%8Ds%0D%0A"
    "&bcc=pelorane@example.jp";

class Mailer : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(CopyFileW(helperProgram(L"mailto_recorder.exe").c_str(), app->file(L"mailto_recorder.exe").c_str(),
                              FALSE))
            << "mailto_recorder.exe is missing beside the tests";
        handlerBefore = classesValue(kMailtoCommand, std::wstring(), &hadHandler);
        handler = std::make_unique<MailtoHandler>(quoteArgument(app->file(L"mailto_recorder.exe")) + L" \"%1\"");
        ASSERT_TRUE(handler->installed()) << "could not register the mailto handler";
    }
    void TearDown() override {
        ProgramTest::TearDown();
        if (!handler) return;
        handler.reset();
        // The prefix is shared with other tests: the previous handler is back.
        bool found = false;
        EXPECT_EQ(u8(classesValue(kMailtoCommand, std::wstring(), &found)), u8(handlerBefore));
        EXPECT_EQ(found, hadHandler);
    }

    static constexpr const wchar_t* kMailtoCommand = L"mailto\\shell\\open\\command";
    std::wstring handlerBefore;
    bool hadHandler = false;

    Settings mailerSettings(const char* bootexec) {
        return {{"bootexec", bootexec},
                {"from", "pelorane@example.jp"},
                {"to", "recorder@example.jp"},
                {"rduser", "rdmail"}};
    }

    Iepg programme() {
        Iepg p;
        p.title = "ソ表能 News";
        return p;
    }

    // The mail program is a second Wine process that may start a while after the launch: the
    // checks that it was started and that it was not both give it this long.
    static constexpr int kMailProgramMs = 10000;

    // The URL the mail program was started with, once it has been started (empty when it was not).
    std::string receivedUrl() {
        const std::wstring record = app->file(L"mailto-received.txt");
        std::vector<std::wstring> lines;
        waitUntil([&] { return !(lines = recordedCommandLines(record)).empty(); }, kMailProgramMs);
        if (lines.empty()) return std::string();
        EXPECT_EQ(lines.size(), 1u) << "the mail program must be started once";
        const std::vector<std::wstring> arguments = splitArguments(lines[0]);
        EXPECT_EQ(arguments.size(), 2u) << "the URL must arrive as one argument: " << toUtf8(lines[0]);
        return arguments.size() >= 2 ? toUtf8(arguments[1]) : std::string();
    }

    std::unique_ptr<MailtoHandler> handler;
};

TEST_F(Mailer, BootexecOneWithAKnownStationStartsTheMailProgramAndShowsNoDialog) {
    ASSERT_TRUE(app->writeSettings(mailerSettings("1")));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const std::wstring iepg = quoteArgument(app->writeIepg(L"programme.iepg", programme()));
    ASSERT_TRUE(app->start(iepg));
    ASSERT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
    EXPECT_EQ(app->process().exitCode(), 0u);
    EXPECT_EQ(receivedUrl(), kExpectedUrl);
    EXPECT_EQ(app->readSettings().at("bootexec"), "1") << "the settings file is written at the end";
}

TEST_F(Mailer, PositionalArgumentsNamingAKnownStationStartTheMailProgram) {
    ASSERT_TRUE(app->writeSettings(mailerSettings("1")));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const std::wstring arguments = L"東都総合テレビ 20310614 2100 2230 - \"ソ表能 News\" \"第一行\"";
    ASSERT_TRUE(app->start(arguments));
    ASSERT_TRUE(app->process().waitForExit(kDefaultTimeoutMs)) << "no dialog may open";
    EXPECT_EQ(app->process().exitCode(), 0u);
    EXPECT_EQ(receivedUrl(),
              "mailto:recorder@example.jp?body=open%20rdmail%20tv%20SC001%202100%202230%200614%0D%0A"
              "%83\\%95\\%94\\%20News%0D%0A%91%E6%88%EA%8Ds%0D%0A&bcc=pelorane@example.jp");
}

TEST_F(Mailer, BootexecOneWithAnUnknownStationOpensTheMainDialogInstead) {
    ASSERT_TRUE(app->writeSettings(mailerSettings("1")));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    Iepg unknown = programme();
    unknown.station = "どこにもない局";
    const std::wstring iepg = quoteArgument(app->writeIepg(L"programme.iepg", unknown));
    const HWND dialog = startMain(iepg);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog, IDC_TITLE), "ソ表能 News") << "the reservation from the file is shown";
    EXPECT_TRUE(quit(dialog));
    EXPECT_EQ(receivedUrl(), "") << "no mail program may start";
}

TEST_F(Mailer, MenuLaunchMailerEndsTheDialogWithResultOne) {
    ASSERT_TRUE(app->writeSettings(mailerSettings("0")));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const std::wstring iepg = quoteArgument(app->writeIepg(L"programme.iepg", programme()));
    const HWND dialog = startMain(iepg);
    ASSERT_NE(dialog, nullptr);
    postCommand(dialog, IDM_LAUNCH_MAILER);
    ASSERT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
    EXPECT_EQ(app->process().exitCode(), 1u);
    EXPECT_EQ(receivedUrl(), kExpectedUrl);
}

TEST_F(Mailer, OkButtonSetToLaunchMailerValidatesFirst) {
    ASSERT_TRUE(app->writeSettings(merged(mailerSettings("0"), {{"okbutton", "1"}})));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND dialog = startMain();  // default reservation: no channel
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDOK);
    EXPECT_TRUE(waitUntil([&] { return textOf(dialog, IDC_MESSAGE) == kChooseChannel; }, 5000));
    settle(dialog);
    EXPECT_TRUE(app->process().running());
    EXPECT_TRUE(quit(dialog));
    EXPECT_EQ(receivedUrl(), "") << "no mail program may start";
}

// The mail command cannot be built (rduser has no bound, and the command line holds at most 1023
// bytes): each way of launching the mailer shows "失敗！" as the mail path does, and starts nothing.
TEST_F(Mailer, CommandTooLongToBuildShowsFailureFromEachTrigger) {
    struct Case {
        const char* name;
        const char* okbutton;
        int command;
    };
    const Case cases[] = {
        {"OK with okbutton 1", "1", IDOK},
        {"menu メーラ起動", "0", IDM_LAUNCH_MAILER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // 26 fixed bytes + the channel's "001" + 1000 bytes of user: 1029.
        ASSERT_TRUE(app->writeSettings(
            merged(mailerSettings("0"), {{"okbutton", c.okbutton}, {"rduser", std::string(1000, 'u')}})));
        ASSERT_TRUE(app->writeChannels(standardChannels()));
        const HWND dialog = startMain(quoteArgument(app->writeIepg(L"programme.iepg", programme())));
        ASSERT_NE(dialog, nullptr);
        if (c.command == IDOK) {
            click(dialog, IDOK);
        } else {
            postCommand(dialog, c.command);
        }
        EXPECT_TRUE(waitUntil([&] { return textOf(dialog, IDC_STATUS) == kFailed; }, kDefaultTimeoutMs))
            << "status: " << textOf(dialog, IDC_STATUS);
        EXPECT_TRUE(jobLinesShown(dialog));
        EXPECT_EQ(textOf(dialog, IDC_MESSAGE), "");
        EXPECT_TRUE(app->process().running()) << "the dialog stays open for another try";
        EXPECT_FALSE(fileExists(app->file(L"mailto-received.txt")));
        ASSERT_TRUE(quit(dialog));
        EXPECT_FALSE(fileExists(app->file(L"mailto-received.txt")));
    }
}

// The shell cannot start the registered program: the launch fails. The program hands the URL to
// ShellExecuteEx without flags, so the shell itself may report the missing program in a box of its
// own (Wine does, as Windows does); the program adds no message.
class MailerMissing : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        handler = std::make_unique<MailtoHandler>(L"\"" + app->file(L"no-such-mailer.exe") + L"\" \"%1\"");
        ASSERT_TRUE(handler->installed());
        ASSERT_TRUE(app->writeChannels(standardChannels()));
    }
    void TearDown() override {
        ProgramTest::TearDown();
        handler.reset();
    }

    // Acknowledges the shell's error box if it shows within a few seconds.
    void acknowledgeShellError() {
        const HWND box = waitForMessageBox(app->pid(), 3000);
        if (box == nullptr) return;
        shellMessage = u8(messageBoxText(box));
        click(box, IDOK);
        waitUntil([&] { return !IsWindow(box); }, 5000);
    }

    std::unique_ptr<MailtoHandler> handler;
    std::string shellMessage;
};

TEST_F(MailerMissing, FailedLaunchAtStartOpensTheMainDialogWithTheReservation) {
    ASSERT_TRUE(app->writeSettings({{"bootexec", "1"}, {"to", "recorder@example.jp"}}));
    ASSERT_TRUE(app->start(quoteArgument(app->writeIepg(L"programme.iepg", Iepg()))));
    acknowledgeShellError();
    const HWND dialog = waitDialog(kMainCaption);
    ASSERT_NE(dialog, nullptr) << "shell message: " << shellMessage;
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_CHANNEL))), "CH1:東都総合テレビ");
    EXPECT_EQ(textOf(dialog, IDC_TITLE), "世界の車窓から");
    EXPECT_TRUE(optionRowRestored(dialog));
    EXPECT_TRUE(quit(dialog));
}

TEST_F(MailerMissing, FailedLaunchFromTheMenuKeepsTheDialogOpenWithoutAMessage) {
    ASSERT_TRUE(app->writeSettings({{"to", "recorder@example.jp"}}));
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"programme.iepg", Iepg())));
    ASSERT_NE(dialog, nullptr);
    postCommand(dialog, IDM_LAUNCH_MAILER);
    acknowledgeShellError();
    EXPECT_FALSE(app->process().waitForExit(1000)) << "the dialog ends only after a successful launch";
    EXPECT_TRUE(optionRowRestored(dialog)) << "the program shows no message: " << textOf(dialog, IDC_MESSAGE);
    EXPECT_TRUE(quit(dialog));
}

}  // namespace
}  // namespace ui
