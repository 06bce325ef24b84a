// Answer-page readings: the "main" frame, the last link, and the recorder's verdict and message.
#include <gtest/gtest.h>

#include <string>

#include "recorder/PageAnalysis.h"

namespace {

const std::string kHyouji = "\x95\x5c\x8e\xa6";  // 表示: the trail byte of 表 is 0x5C, a backslash

}  // namespace

TEST(FindMainFrame, ReturnsTheSrcOfTheLastFrameNamedExactlyMain) {
    EXPECT_EQ(findMainFrame("<frameset><frame name=\"title\" src=\"/t.htm\"><FRAMESET><FRAME NAME=\"main\" "
                            "SRC=\"/program/rsv/menu.htm\"><frame name=list src=/l.htm></FRAMESET></frameset>"),
              "/program/rsv/menu.htm");
    EXPECT_EQ(findMainFrame("<frame name=main src=/first.htm><frame name=main src=/second.htm>"), "/second.htm");
    EXPECT_EQ(findMainFrame("<frame name=main src=/first.htm><frame name=main>"), "");
    EXPECT_EQ(findMainFrame("<frame name=\"title\" src=\"/t.htm\"><frame name=\"Main\" src=\"/m.htm\">"), "");
    // A frame tag cut off by the end of the page is dropped.
    EXPECT_EQ(findMainFrame("<frame name=main src=/a.htm><frame name=main src=/cut"), "/a.htm");
}

TEST(FindLastLink, ReturnsTheHrefOfTheLastAnchorEvenWhenItHasNone) {
    EXPECT_EQ(findLastLink("<a name=\"top\"></a><a href=\"/\">top</a><A HREF=\"reserve.htm\">new</A><p>x</p>"),
              "reserve.htm");
    EXPECT_EQ(findLastLink("<a href=\"/one.htm\">1</a><a name=\"end\"></a>"), "");
    EXPECT_EQ(findLastLink("<link href=\"/style.css\"><area href=\"/x.htm\"><abbr>a</abbr>"), "");
}

TEST(ReadResultMessage, VerdictIsTheAbsenceOfHistoryBack) {
    ResultMessage r = readResultMessage("<script>\nvar msg=\"" + kHyouji + "OK\";\n</script>");
    EXPECT_TRUE(r.success);
    EXPECT_EQ(r.message, kHyouji + "OK");
    r = readResultMessage("<script>\nalert(\"overlap\");\nhistory.back();\n</script>");
    EXPECT_FALSE(r.success);
    EXPECT_TRUE(r.answered);
    EXPECT_EQ(r.message, "overlap");
    r = readResultMessage("<p>history.back();</p> msg=\"done\"");
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.message, "done");
    EXPECT_TRUE(readResultMessage("msg=\"done\" history.back()").success);  // not the refusal call
}

TEST(ReadResultMessage, MsgIsPreferredEvenWhenAlertComesFirst) {
    EXPECT_EQ(readResultMessage("alert(\"first\"); var msg = 1; msg=\"second\";").message, "second");
    EXPECT_EQ(readResultMessage("<p class=\"x\">alert(\"mine\")").message, "mine");  // the quote after the keyword
}

TEST(ReadResultMessage, NeitherKeywordIsUnknownFailure) {
    for (const char* body : {"<html><body>ok</body></html>", "MSG=\"x\" Alert(\"y\")", ""}) {
        const ResultMessage r = readResultMessage(body);
        EXPECT_FALSE(r.success) << body;
        EXPECT_FALSE(r.answered) << body;
        EXPECT_EQ(r.message, "Unknown...") << body;
    }
}

TEST(ReadResultMessage, BackslashEscapesAndShiftJisTrailBytes) {
    EXPECT_EQ(readResultMessage("alert(\"C:\\\\rd\")").message, "C:\\rd");
    EXPECT_EQ(readResultMessage("alert(\"line\\tnext\")").message, "linenext");
    EXPECT_EQ(readResultMessage("alert(\"" + kHyouji + "\\\\" + kHyouji + "\")").message, kHyouji + "\\" + kHyouji);
    // A half-width kana (0xA1..0xDF) is a single byte: the backslash after it is an escape.
    EXPECT_EQ(readResultMessage("msg=\"\xb1\\\\\"").message, "\xb1\\");
    // The closing quote is a plain byte search, escaped or not.
    EXPECT_EQ(readResultMessage("alert(\"say \\\"hi\\\"\")").message, "say ");
}

TEST(ReadResultMessage, MissingQuotesOrCutCharactersNeverReadPastTheMessage) {
    for (const char* body : {"var msg=done;", "alert(\"never closed", "msg=", "msg=\"", "msg=\"\x95"}) {
        EXPECT_EQ(readResultMessage(body).message, "") << body;
    }
    EXPECT_TRUE(readResultMessage("var msg=done;").success);
    // A lead byte or a backslash directly before the closing quote does not swallow it.
    EXPECT_EQ(readResultMessage("msg=\"ab\x95\" tail\"").message, "ab\x95");
    EXPECT_EQ(readResultMessage("msg=\"ab\\\" tail\"").message, "ab");
}
