// The pull HTML reader: tokens, stray "<", attribute sub-states, comments and CDATA, finders, decodeText.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/Streams.h"
#include "recorder/HtmlReader.h"
#include "recorder/MemorySource.h"
#include "tests/support/StringSource.h"

namespace {

using Tokens = std::vector<std::string>;

std::string describe(HtmlReader& reader) {
    switch (reader.kind()) {
    case TokenKind::Error: return "error";
    case TokenKind::Ready: return "ready";
    case TokenKind::EndOfInput: return "eof";
    case TokenKind::Text: return "text:" + reader.text();
    case TokenKind::Comment: return "comment:" + reader.content();
    case TokenKind::CData: return "cdata:" + reader.content();
    case TokenKind::EndTag: return "end:" + reader.tagName();
    case TokenKind::StartTag: {
        std::string line = "start:" + reader.tagName();
        for (const auto& [key, value] : reader.attributes()) line += " [" + key + "]=[" + value + "]";
        return line;
    }
    }
    return "?";
}

Tokens readAllFrom(ByteSource& source) {
    HtmlReader reader;
    reader.open(&source);
    Tokens tokens;
    for (size_t guard = 0; guard < 10000; ++guard) {
        const TokenKind kind = reader.next();
        tokens.push_back(describe(reader));
        if (kind == TokenKind::Error || kind == TokenKind::EndOfInput) break;
    }
    return tokens;
}

// All tokens up to and including the final error or eof, read from memory and again byte by byte.
Tokens readAll(const std::string& html) {
    MemorySource memory(html);
    const Tokens tokens = readAllFrom(memory);
    StringSource bytewise(html);
    EXPECT_EQ(readAllFrom(bytewise), tokens) << "byte by byte";
    return tokens;
}

}  // namespace

TEST(HtmlReader, LetterBeforeTagIsItsOwnText) {
    EXPECT_EQ(readAll("a<b>"), (Tokens{"text:a", "start:b", "eof"}));
    EXPECT_EQ(readAll("<p>x</p>y"), (Tokens{"start:p", "text:x", "end:p", "text:y", "eof"}));
}

TEST(HtmlReader, StrayLessThanStaysInText) {
    // At the very end.
    EXPECT_EQ(readAll("ab<"), (Tokens{"text:ab<", "eof"}));
    // Doubled: the first stays text, the second opens the tag.
    EXPECT_EQ(readAll("a<<b>"), (Tokens{"text:a<", "start:b", "eof"}));
    EXPECT_EQ(readAll("a<<<"), (Tokens{"text:a<<<", "eof"}));
    // Before a Shift_JIS lead byte: "x<テy".
    EXPECT_EQ(readAll("x<\x83\x65y"), (Tokens{"text:x<\x83\x65y", "eof"}));

    HtmlReader reader;
    const std::string page = "1<2";
    MemorySource source(page);
    reader.open(&source);
    EXPECT_EQ(reader.next(), TokenKind::Text);
    EXPECT_EQ(reader.rawText(), "1");  // "<2": markup follows
    EXPECT_EQ(reader.next(), TokenKind::Error);
}

TEST(HtmlReader, LessThanBeforeAsciiStartsMarkup) {
    // "a < b" is text then a start tag with an empty name that never closes.
    EXPECT_EQ(readAll("a < b"), (Tokens{"text:a", "error"}));
    EXPECT_EQ(readAll("x<>y"), (Tokens{"text:x", "start:", "text:y", "eof"}));
}

TEST(HtmlReader, WhiteSpaceOnlyTextDecodesEmpty) {
    EXPECT_EQ(readAll("<a> \r\n\t</a>"), (Tokens{"start:a", "text:", "end:a", "eof"}));
}

TEST(HtmlReader, AttributesQuotedUnquotedAndAbsent) {
    const std::string page = "<IMG SRC=\"/img/parts/check_on.gif\" alt=on>";
    MemorySource source(page);
    HtmlReader reader;
    reader.open(&source);
    EXPECT_EQ(reader.next(), TokenKind::StartTag);
    EXPECT_EQ(reader.tagName(), "img");
    EXPECT_EQ(reader.attribute("src"), "/img/parts/check_on.gif");
    EXPECT_EQ(reader.attribute("alt"), "on");
    EXPECT_EQ(reader.attribute("width"), "");
    EXPECT_EQ(reader.attribute("SRC"), "");  // names are stored lower-cased and compared exactly
}

TEST(HtmlReader, QuotesOfBothKinds) {
    EXPECT_EQ(readAll("<a title='say \"hi\"' x=\"it's\">"), (Tokens{"start:a [title]=[say \"hi\"] [x]=[it's]", "eof"}));
    // Blanks and ">" inside quotes; white space around "=" is skipped.
    EXPECT_EQ(readAll("<a href = \"a > b\"\tid\n=\n7>"), (Tokens{"start:a [href]=[a > b] [id]=[7]", "eof"}));
    // A quote right after the closing one is part of the value.
    EXPECT_EQ(readAll("<a v=\"x\"\">"), (Tokens{"start:a [v]=[x\"]", "eof"}));
}

TEST(HtmlReader, ValuelessRepeatedAndStrayAttributes) {
    EXPECT_EQ(readAll("<input checked NAME=a name=b>"), (Tokens{"start:input [checked]=[] [name]=[b]", "eof"}));
    EXPECT_EQ(readAll("<input a b>"), (Tokens{"start:input [a]=[] [b]=[]", "eof"}));
    // "a==b": a has the empty value and b starts anew.
    EXPECT_EQ(readAll("<x a==b>"), (Tokens{"start:x [a]=[] [b]=[]", "eof"}));
    // A byte glued to a closing quote is dropped.
    EXPECT_EQ(readAll("<x a=\"1\"b c=2>"), (Tokens{"start:x [a]=[1] [c]=[2]", "eof"}));
    // Unquoted values keep quotes and "=".
    EXPECT_EQ(readAll("<x a=1=2'3>"), (Tokens{"start:x [a]=[1=2'3]", "eof"}));
}

TEST(HtmlReader, SlashBeforeCloseIsAnAttribute) {
    EXPECT_EQ(readAll("<br/>"), (Tokens{"start:br [/]=[]", "eof"}));
    EXPECT_EQ(readAll("<img src=a.gif />"), (Tokens{"start:img [/]=[] [src]=[a.gif]", "eof"}));
}

TEST(HtmlReader, EndTagSkipsToGreaterThanAndKeepsAttributes) {
    const std::string page = "<td class=x></TD junk=\"1\">";
    MemorySource source(page);
    HtmlReader reader;
    reader.open(&source);
    reader.next();
    EXPECT_EQ(reader.next(), TokenKind::EndTag);
    EXPECT_EQ(reader.tagName(), "td");
    EXPECT_EQ(reader.attribute("class"), "x");
    EXPECT_EQ(reader.attribute("junk"), "");
}

TEST(HtmlReader, CommentEndsOnlyAtDashGreaterThan) {
    EXPECT_EQ(readAll("<!-- a > b -->x"), (Tokens{"comment:-- a > b --", "text:x", "eof"}));
    EXPECT_EQ(readAll("<!---->"), (Tokens{"comment:----", "eof"}));
    EXPECT_EQ(readAll("<!-x>->y"), (Tokens{"comment:-x>-", "text:y", "eof"}));
    // Markup that does not open with "-" ends at its first ">".
    EXPECT_EQ(readAll("<!DOCTYPE html>y"), (Tokens{"comment:DOCTYPE html", "text:y", "eof"}));
    EXPECT_EQ(readAll("<!>"), (Tokens{"comment:", "eof"}));
}

TEST(HtmlReader, CDataHoldsGreaterThanAndEndsAtBrackets) {
    EXPECT_EQ(readAll("<![CDATA[a > b]] ]>]]>z"), (Tokens{"cdata:a > b]] ]>", "text:z", "eof"}));
    EXPECT_EQ(readAll("<![CDATA[]]>"), (Tokens{"cdata:", "eof"}));
    // A comment whose first bytes only resemble the opening stays a comment.
    EXPECT_EQ(readAll("<![CDATA x]]>"), (Tokens{"comment:[CDATA x]]", "eof"}));
}

TEST(HtmlReader, EndOfInputInsideMarkupIsAStickyError) {
    for (const std::string page : {"<td class=\"x", "<td", "</td", "</td x", "<!-- x >", "<![CDATA[x]]", "<b><",
                                   "<a b", "<a b=", "<a b=c", "<a b='c'"}) {
        const Tokens tokens = readAll(page);
        EXPECT_EQ(tokens.back(), "error") << page;

        MemorySource source(page);
        HtmlReader reader;
        reader.open(&source);
        while (reader.next() != TokenKind::Error) {
        }
        EXPECT_EQ(reader.next(), TokenKind::Error);
        EXPECT_FALSE(reader.findStartTag("td"));
        EXPECT_FALSE(reader.findTag("td"));
        EXPECT_EQ(reader.kind(), TokenKind::Error);
    }
}

TEST(HtmlReader, EndOfInputIsSticky) {
    const std::string page = "x";
    MemorySource source(page);
    HtmlReader reader;
    reader.open(&source);
    EXPECT_EQ(reader.next(), TokenKind::Text);
    EXPECT_EQ(reader.next(), TokenKind::EndOfInput);
    EXPECT_EQ(reader.next(), TokenKind::EndOfInput);
    EXPECT_FALSE(reader.findTag("a"));
    reader.open(nullptr);
    EXPECT_EQ(reader.next(), TokenKind::EndOfInput);
}

TEST(HtmlReader, OpenStartsAfresh) {
    const std::string first = "<a href=x>y<b>";
    const std::string second = "z";
    MemorySource a(first);
    MemorySource b(second);
    HtmlReader reader;
    reader.open(&a);
    reader.next();
    EXPECT_EQ(reader.next(), TokenKind::Text);  // "<b" is now pushed back
    reader.open(&b);
    EXPECT_EQ(reader.kind(), TokenKind::Ready);
    EXPECT_EQ(reader.tagName(), "");
    EXPECT_TRUE(reader.attributes().empty());
    EXPECT_EQ(reader.next(), TokenKind::Text);
    EXPECT_EQ(reader.text(), "z");
}

TEST(HtmlReader, FindersStopJustAfterTheMatch) {
    const std::string page = "<tr></td><TD>5</td><td><a href=/a>t</a>";
    MemorySource source(page);
    HtmlReader reader;
    reader.open(&source);
    EXPECT_TRUE(reader.findTag("td"));
    EXPECT_EQ(reader.kind(), TokenKind::EndTag);
    EXPECT_TRUE(reader.findStartTag("td"));
    EXPECT_EQ(reader.next(), TokenKind::Text);
    EXPECT_EQ(reader.text(), "5");
    EXPECT_TRUE(reader.findStartTag("a"));
    EXPECT_EQ(reader.attribute("href"), "/a");
    EXPECT_FALSE(reader.findStartTag("td"));
    EXPECT_EQ(reader.kind(), TokenKind::EndOfInput);
}

TEST(HtmlReader, FindStartTagLoopVisitsEveryFrame) {
    const std::string page =
        "<frameset><FRAME name=a src=\"/1.htm\"></frame><frame name=b src=\"/2.htm\"><frame name=c></frameset>";
    MemorySource source(page);
    HtmlReader reader;
    reader.open(&source);
    std::vector<std::string> sources;
    while (reader.findStartTag("frame")) sources.push_back(reader.attribute("src"));
    EXPECT_EQ(sources, (std::vector<std::string>{"/1.htm", "/2.htm", ""}));
}

TEST(HtmlReader, ReadsAReservationRow) {
    // 1/23(月), "番組" with an entity, "ソ表" whose trail bytes are 0x5C.
    const std::string page =
        "<TR>\r\n<TD align=right> 3 </TD><TD><IMG SRC=\"/img/parts/check_on.gif\"></TD>\r\n"
        "<TD><A HREF=\"/program/edit.htm?3\">\x94\xd4\x91\x67 &amp; \x83\x5c\x95\x5c</A></TD>"
        "<td>1/23(\x8c\x8e)</td></TR>";
    MemorySource source(page);
    HtmlReader reader;
    reader.open(&source);
    ASSERT_TRUE(reader.findStartTag("tr"));
    ASSERT_TRUE(reader.findStartTag("td"));
    ASSERT_EQ(reader.next(), TokenKind::Text);
    EXPECT_EQ(reader.text(), "3");
    ASSERT_TRUE(reader.findStartTag("img"));
    EXPECT_EQ(reader.attribute("src"), "/img/parts/check_on.gif");
    ASSERT_TRUE(reader.findStartTag("td"));
    ASSERT_TRUE(reader.findStartTag("a"));
    ASSERT_EQ(reader.next(), TokenKind::Text);
    EXPECT_EQ(reader.text(), "\x94\xd4\x91\x67 & \x83\x5c\x95\x5c");
    ASSERT_TRUE(reader.findStartTag("td"));
    ASSERT_EQ(reader.next(), TokenKind::Text);
    EXPECT_EQ(reader.text(), "1/23(\x8c\x8e)");
}

TEST(HtmlReader, ShiftJisPassesUnchanged) {
    // "ソ表ア" in text and values: trail bytes 0x5C and 0x41 are neither escapes nor lower-cased.
    const std::string sjis = "\x83\x5c\x95\x5c\x83\x41";
    EXPECT_EQ(readAll("<td title='" + sjis + "' alt=" + sjis + ">" + sjis + "<" + sjis),
              (Tokens{"start:td [alt]=[" + sjis + "] [title]=[" + sjis + "]", "text:" + sjis + "<" + sjis, "eof"}));
}

TEST(HtmlReader, DecodeTextKnowsCopyAndApostrophe) {
    EXPECT_EQ(HtmlReader::decodeText("&copy;2004 &#39;x&#39; &#40; &#39"), "(c)2004 'x' &#40; &#39");
    EXPECT_EQ(HtmlReader::decodeText("&lt;&gt;&amp;&quot;&nbsp;&Copy;&amp"), "<>&\" &Copy;&amp");
    EXPECT_EQ(HtmlReader::decodeText("&&lt;"), "&<");
}

TEST(HtmlReader, DecodeTextCollapsesWhiteSpaceOnlyWhenAsked) {
    EXPECT_EQ(HtmlReader::decodeText("  a \t\r\n b  "), "a b");
    EXPECT_EQ(HtmlReader::decodeText(" \n "), "");
    EXPECT_EQ(HtmlReader::decodeText("  a \t b &lt; ", false), "  a \t b < ");
    // "&nbsp;" stays a blank of its own, also at the ends.
    EXPECT_EQ(HtmlReader::decodeText(" &nbsp; a &nbsp;"), "  a  ");
}
