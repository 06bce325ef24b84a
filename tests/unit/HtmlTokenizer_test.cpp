// The push HTML reader: events, text decoding, attribute states, stopping, and input splitting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/Streams.h"
#include "recorder/HtmlTokenizer.h"
#include "recorder/MemorySource.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/StringSource.h"

namespace {

// Records every event as one line; refuses the event whose line starts with `refuseAt`.
class RecordingHandler : public HtmlHandler {
public:
    bool onText(const std::string& text) override { return record("text:" + text); }
    bool onStartTag(const std::string& name, const AttributeMap& attributes) override {
        std::string line = "start:" + name;
        for (const auto& [key, value] : attributes) line += " [" + key + "]=[" + value + "]";
        return record(line);
    }
    bool onEndTag(const std::string& name) override { return record("end:" + name); }

    std::vector<std::string> events;
    std::string refuseAt;  // empty: accept everything

private:
    bool record(const std::string& line) {
        events.push_back(line);
        return refuseAt.empty() || line.compare(0, refuseAt.size(), refuseAt) != 0;
    }
};

struct RunResult {
    bool completed = false;
    std::vector<std::string> events;
};

RunResult runOn(ByteSource& source, const std::string& refuseAt) {
    RecordingHandler handler;
    handler.refuseAt = refuseAt;
    HtmlTokenizer tokenizer;
    RunResult result;
    result.completed = tokenizer.run(&source, &handler);
    result.events = handler.events;
    return result;
}

// Tokenizes the whole input in memory, then again byte by byte and through buffered reads of
// several chunk sizes; every way must report the same events.
RunResult tokenize(const std::string& html, const std::string& refuseAt = "") {
    RecordingHandler handler;
    handler.refuseAt = refuseAt;
    RunResult whole;
    whole.completed = parseHtml(html, handler);
    whole.events = handler.events;

    StringSource bytewise(html);
    const RunResult single = runOn(bytewise, refuseAt);
    EXPECT_EQ(single.completed, whole.completed) << "byte by byte";
    EXPECT_EQ(single.events, whole.events) << "byte by byte";

    for (size_t chunkSize : {1u, 2u, 3u, 7u}) {
        std::vector<std::string> chunks;
        for (size_t i = 0; i < html.size(); i += chunkSize) chunks.push_back(html.substr(i, chunkSize));
        ChunkStream stream(chunks);
        BufferedReader reader(stream);
        const RunResult split = runOn(reader, refuseAt);
        EXPECT_EQ(split.completed, whole.completed) << "chunks of " << chunkSize;
        EXPECT_EQ(split.events, whole.events) << "chunks of " << chunkSize;
    }
    return whole;
}

using Events = std::vector<std::string>;

}  // namespace

TEST(HtmlTokenizer, NamesLowerCasedValuesAsWritten) {
    const RunResult r = tokenize("<TD Class=x>a &amp; b</TD>");
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.events, (Events{"start:td [class]=[x]", "text:a & b", "end:td"}));
    // Values, entities included, stay as written.
    EXPECT_EQ(tokenize("<A HREF=\"e.HTM?a=1&amp;b\">").events, (Events{"start:a [href]=[e.HTM?a=1&amp;b]"}));
}

TEST(HtmlTokenizer, TextWhiteSpaceCollapsesAndTrims) {
    EXPECT_EQ(tokenize(" \t\r\n one  two\t\n\nthree \n<br>").events,
              (Events{"text:one two three", "start:br"}));
    // A run of white space only gives no text event, nor does an empty run between tags.
    EXPECT_EQ(tokenize("<p> \r\n\t </p><p></p>\n").events, (Events{"start:p", "end:p", "start:p", "end:p"}));
    // Control bytes count as white space in text.
    EXPECT_EQ(tokenize(std::string("a\0\x1f" "b", 4)).events, (Events{"text:a b"}));
}

TEST(HtmlTokenizer, KnowsOnlyTheFiveBasicEntities) {
    EXPECT_EQ(tokenize("&lt;&gt;&amp;&quot;|&copy;&#39;&LT;&amp").events,
              (Events{"text:<>&\"|&copy;&#39;&LT;&amp"}));
    // "&nbsp;" is a blank of its own, never merged with white space around it.
    EXPECT_EQ(tokenize("a &nbsp; b").events, (Events{"text:a   b"}));
    EXPECT_EQ(tokenize("&nbsp;x").events, (Events{"text: x"}));
    // A decoded "<" does not start markup.
    EXPECT_EQ(tokenize("1 &lt;b&gt; 2").events, (Events{"text:1 <b> 2"}));
}

TEST(HtmlTokenizer, ApostrophesAreOrdinaryBytes) {
    EXPECT_EQ(tokenize("<a x='y'>").events, (Events{"start:a [x]=['y']"}));
    EXPECT_EQ(tokenize("<a t='p q'>").events, (Events{"start:a [q']=[] [t]=['p]"}));
}

TEST(HtmlTokenizer, DoubleQuotedValueHoldsBlanksAndGreaterThan) {
    EXPECT_EQ(tokenize("<a title=\"x > y\tz\" id=1>t").events,
              (Events{"start:a [id]=[1] [title]=[x > y\tz]", "text:t"}));
    // A quote in an unquoted value is kept; only whitespace or ">" ends it.
    EXPECT_EQ(tokenize("<a v=b\"c\">").events, (Events{"start:a [v]=[b\"c\"]"}));
}

TEST(HtmlTokenizer, ValuelessRepeatedAndEmptyAttributes) {
    EXPECT_EQ(tokenize("<input checked name=a NAME=b\nvalue=>").events,
              (Events{"start:input [checked]=[] [name]=[b] [value]=[]"}));
    // "=" followed by white space gives the empty value; the next word is a new attribute.
    EXPECT_EQ(tokenize("<a x= y>").events, (Events{"start:a [x]=[] [y]=[]"}));
    // A value without a name is dropped.
    EXPECT_EQ(tokenize("<a =\"v\" b=2>").events, (Events{"start:a [b]=[2]"}));
}

TEST(HtmlTokenizer, OnlyBlankAndTabEndTheTagName) {
    EXPECT_EQ(tokenize("<td\tclass=x>").events, (Events{"start:td [class]=[x]"}));
    EXPECT_EQ(tokenize("<td\nclass=x>").events, (Events{"start:td\nclass=x"}));
}

TEST(HtmlTokenizer, EndTagDropsItsAttributes) {
    EXPECT_EQ(tokenize("<b x=1></B y=2><i>").events, (Events{"start:b [x]=[1]", "end:b", "start:i"}));
    EXPECT_EQ(tokenize("</>").events, (Events{"end:"}));
}

TEST(HtmlTokenizer, CommentIsAStartTagNamedByItsOpening) {
    EXPECT_EQ(tokenize("<!-- note -->x").events, (Events{"start:!-- [--]=[] [note]=[]", "text:x"}));
    // A ">" inside a comment ends it; the rest is text.
    EXPECT_EQ(tokenize("<!-- a > b -->").events, (Events{"start:!-- [a]=[]", "text:b -->"}));
    EXPECT_EQ(tokenize("<!DOCTYPE HTML PUBLIC>").events,
              (Events{"start:!doctype [html]=[] [public]=[]"}));
}

TEST(HtmlTokenizer, TagOpenAtTheEndIsDropped) {
    EXPECT_EQ(tokenize("text<a href=\"x>").events, (Events{"text:text"}));
    EXPECT_EQ(tokenize("a<").events, (Events{"text:a"}));
    EXPECT_EQ(tokenize("<b>tail  ").events, (Events{"start:b", "text:tail"}));
    EXPECT_TRUE(tokenize("").events.empty());
}

TEST(HtmlTokenizer, HandlerRefusalStopsTheRun) {
    const std::string page = "one<b>two</b><i>three</i>four";
    RunResult r = tokenize(page, "start:b");
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.events, (Events{"text:one", "start:b"}));

    r = tokenize(page, "end:b");
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.events, (Events{"text:one", "start:b", "text:two", "end:b"}));

    r = tokenize(page, "text:two");
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.events.back(), "text:two");

    // The text flushed at the end of the input can refuse too.
    r = tokenize(page, "text:four");
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.events.size(), 8u);
    EXPECT_EQ(r.events.back(), "text:four");
}

TEST(HtmlTokenizer, RefusalLeavesTheRestOfTheSourceUnread) {
    const std::string page = "<a>x<b>rest";
    RecordingHandler handler;
    handler.refuseAt = "start:b";
    HtmlTokenizer tokenizer;

    StringSource bytewise(page);
    EXPECT_FALSE(tokenizer.run(&bytewise, &handler));
    EXPECT_EQ(bytewise.position(), page.find("rest"));

    MemorySource memory(page);
    EXPECT_FALSE(tokenizer.run(&memory, &handler));
    EXPECT_EQ(memory.next(), 'r');
}

TEST(HtmlTokenizer, MissingSourceOrHandlerFailsWithoutReading) {
    const std::string page = "<a>";
    MemorySource source(page);
    RecordingHandler handler;
    HtmlTokenizer tokenizer;
    EXPECT_FALSE(tokenizer.run(nullptr, &handler));
    EXPECT_FALSE(tokenizer.run(&source, nullptr));
    EXPECT_EQ(source.next(), '<');
    EXPECT_TRUE(handler.events.empty());
}

TEST(HtmlTokenizer, ShiftJisPassesUnchanged) {
    // "ソ表ア": trail bytes 0x5C (backslash) and 0x41 ("A") must be neither escaped nor lower-cased.
    const std::string sjis = "\x83\x5c\x95\x5c\x83\x41";
    EXPECT_EQ(tokenize("<td title=\"" + sjis + "\" alt=" + sjis + ">" + sjis + " \x81\x40" + sjis).events,
              (Events{"start:td [alt]=[" + sjis + "] [title]=[" + sjis + "]",
                      "text:" + sjis + " \x81\x40" + sjis}));
}

TEST(HtmlTokenizer, ReportsAFramePageInOrder) {
    // "予約" in the title.
    const std::string page =
        "<HTML><TITLE>\x97\x5c\x96\xf1</TITLE>\r\n<FRAMESET rows=\"50,*\">\r\n"
        "  <FRAME name=\"head\" SRC=\"/top.htm\">\r\n"
        "  <FRAME NAME=main src=\"/program/b_list.htm\" noresize>\r\n</FRAMESET></HTML>";
    const RunResult r = tokenize(page);
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.events, (Events{"start:html", "start:title", "text:\x97\x5c\x96\xf1", "end:title",
                                "start:frameset [rows]=[50,*]", "start:frame [name]=[head] [src]=[/top.htm]",
                                "start:frame [name]=[main] [noresize]=[] [src]=[/program/b_list.htm]",
                                "end:frameset", "end:html"}));
}
