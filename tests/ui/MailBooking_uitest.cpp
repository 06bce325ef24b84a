// Booking by mail from the main dialog (bootexec 2) against the real SMTP sink and Dovecot POP3 of
// the test fixture: the mail's envelope and decoded text, POP before SMTP, missing settings.
#include <set>

#include "ProgramTest.h"

namespace ui {
namespace {

// The names of the finished messages (msg-N.json) in a sink folder.
std::set<std::wstring> storedMessages(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"msg-*.json").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// The one message that arrived since `before`, as its base name without extension; empty if not
// exactly one arrived.
std::wstring newMessage(const std::wstring& folder, const std::set<std::wstring>& before) {
    std::wstring found;
    int count = 0;
    for (const std::wstring& name : storedMessages(folder)) {
        if (before.count(name) == 0) {
            found = name.substr(0, name.size() - 5);
            ++count;
        }
    }
    return count == 1 ? found : std::wstring();
}

std::string withoutCarriageReturns(std::string text) {
    std::string out;
    for (char c : text) {
        if (c != '\r') out += c;
    }
    return out;
}

size_t countOccurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

class MailBooking : public ProgramTest {
protected:
    Settings mailSettings(int smtpPort, int smtpauth) {
        return {{"bootexec", "2"},
                {"smtpserver", "127.0.0.1"},
                {"smtpport", std::to_string(smtpPort)},
                {"smtpauth", std::to_string(smtpauth)},
                {"smtpuser", serverValue("PELORANE_MAIL_USER")},
                {"smtppass", serverValue("PELORANE_MAIL_PASS")},
                {"from", "pelorane@example.jp"},
                {"to", "recorder@example.jp"},
                {"rduser", "rdmail"}};
    }

    // Books the standard programme by mail and checks the message the sink stored; its envelope.
    void bookAndCheck(const Settings& settings, const std::wstring& sinkFolder, Json& envelope) {
        ASSERT_FALSE(sinkFolder.empty()) << "the SMTP sink is not running (PELORANE_SERVERS_ENV)";
        const std::set<std::wstring> before = storedMessages(sinkFolder);
        ASSERT_TRUE(app->writeSettings(settings));
        ASSERT_TRUE(app->writeChannels(standardChannels()));
        const std::wstring iepg = quoteArgument(app->writeIepg(L"programme.iepg", Iepg()));

        const HWND dialog = startMain(iepg);
        ASSERT_NE(dialog, nullptr);
        std::string status;
        const std::vector<std::string> steps = followJob(dialog, status);
        ASSERT_EQ(status, kSucceeded) << "message lines: " << joined(steps);
        ASSERT_TRUE(app->process().waitForExit(5000)) << "the program ends by itself after a success";
        EXPECT_EQ(app->process().exitCode(), 2u);

        const std::wstring message = newMessage(sinkFolder, before);
        ASSERT_FALSE(message.empty()) << "exactly one new mail must have arrived";
        envelope = Json::parse(readFile(sinkFolder + message + L".json"));
        EXPECT_EQ(envelope["mailFrom"].string(), "pelorane@example.jp");
        ASSERT_GE(envelope["rcptTo"].size(), 1u);
        EXPECT_EQ(envelope["rcptTo"][0].string(), "recorder@example.jp");
        const std::string text = withoutCarriageReturns(readFile(sinkFolder + message + L".txt"));
        EXPECT_EQ(text.find("open rdmail tv SC001 2100 2230 0614\n世界の車窓から\n第一行\n第二行"), 0u)
            << "decoded mail text: " << text;
    }
};

TEST_F(MailBooking, SendsTheReservationMailWithSmtpAuth) {
    const int port = serverPort("PELORANE_SMTP_AUTH_PORT");
    ASSERT_GT(port, 0) << "the SMTP sink is not running (PELORANE_SERVERS_ENV)";
    Json envelope;
    bookAndCheck(mailSettings(port, 1), serverFolder("PELORANE_SMTP_AUTH_DIR"), envelope);
    EXPECT_EQ(envelope["authUser"].string(), serverValue("PELORANE_MAIL_USER"));
}

TEST_F(MailBooking, SendsAfterPopLoginWhenPopBeforeSmtpIsChosen) {
    const int smtpPort = serverPort("PELORANE_SMTP_NOAUTH_PORT");
    const int popPort = serverPort("PELORANE_POP3_PORT");
    ASSERT_GT(smtpPort, 0) << "the SMTP sink is not running (PELORANE_SERVERS_ENV)";
    ASSERT_GT(popPort, 0) << "Dovecot is not running (PELORANE_SERVERS_ENV)";
    const std::wstring popLog = windowsPath(serverValue("PELORANE_POP3_LOG"));
    const size_t loginsBefore = countOccurrences(readFile(popLog), "Login: user=<alice>");

    Settings settings = mailSettings(smtpPort, 2);
    settings["pop3server"] = "127.0.0.1";
    settings["pop3fport"] = std::to_string(popPort);
    Json envelope;
    bookAndCheck(settings, serverFolder("PELORANE_SMTP_NOAUTH_DIR"), envelope);
    EXPECT_TRUE(envelope["authUser"].isNull());

    EXPECT_TRUE(waitUntil(
        [&] { return countOccurrences(readFile(popLog), "Login: user=<alice>") == loginsBefore + 1; }, 3000))
        << "one POP3 login must precede the mail";
}

TEST_F(MailBooking, RejectedLoginFailsAndLeavesTheDialogOpen) {
    const int port = serverPort("PELORANE_SMTP_AUTH_PORT");
    ASSERT_GT(port, 0) << "the SMTP sink is not running (PELORANE_SERVERS_ENV)";
    const std::wstring sink = serverFolder("PELORANE_SMTP_AUTH_DIR");
    const std::set<std::wstring> before = storedMessages(sink);
    Settings settings = mailSettings(port, 1);
    settings["smtppass"] = "wrong";
    ASSERT_TRUE(app->writeSettings(settings));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"programme.iepg", Iepg())));
    ASSERT_NE(dialog, nullptr);
    std::string status;
    followJob(dialog, status);
    EXPECT_EQ(status, kFailed);
    EXPECT_FALSE(app->process().waitForExit(1500));
    EXPECT_TRUE(enabled(item(dialog, IDCANCEL)));
    EXPECT_EQ(storedMessages(sink), before) << "no mail may arrive";
    EXPECT_TRUE(quit(dialog));
}

TEST_F(MailBooking, WithoutMailSettingsTheMailSettingsOpenInstead) {
    ASSERT_TRUE(app->writeSettings({{"bootexec", "2"}}));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    ASSERT_TRUE(app->start(quoteArgument(app->writeIepg(L"programme.iepg", Iepg()))));

    // The booking command is handled before the main dialog first shows: the mail settings come first.
    const HWND mail = waitDialog(kMailCaption);
    ASSERT_NE(mail, nullptr);
    const HWND dialog = owner(mail);
    EXPECT_EQ(text(dialog), kMainCaption) << "owned by the main dialog";
    click(mail, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(mail); }, 5000));
    ASSERT_EQ(waitDialog(kMainCaption), dialog);
    // Nothing to watch on the wire without mail settings: neither a job's status nor its lines showed.
    EXPECT_EQ(textOf(dialog, IDC_STATUS), "") << "no job may start";
    EXPECT_TRUE(optionRowRestored(dialog));
    EXPECT_TRUE(quit(dialog));
}

}  // namespace
}  // namespace ui
