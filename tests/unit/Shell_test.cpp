// Handing URLs to the desktop: only the POSIX build can be checked without opening a real program.
#include <gtest/gtest.h>

#include "platform/Shell.h"
#include "tests/support/FakeXdgOpen.h"

#ifndef _WIN32

TEST(Shell, OpenUrlPassesUrlAsOneArgument) {
    FakeXdgOpen fake;
    const std::string url = "mailto:a@b?body=x%20y z\x83\x5c&bcc=c";  // "ソ" as raw bytes
    EXPECT_NE(openUrl(url), 0);
    EXPECT_EQ(fake.recorded(), "1\n" + url);
}

TEST(Shell, OpenUrlReportsFailingOpener) {
    FakeXdgOpen fake(3);
    EXPECT_EQ(openUrl("mailto:x"), 0);
    EXPECT_TRUE(fake.called());
}

TEST(Shell, OpenUrlReportsMissingOpener) {
    FakeXdgOpen fake;
    fake.removeScript();
    EXPECT_EQ(openUrl("mailto:x"), 0);
}

#endif  // _WIN32
