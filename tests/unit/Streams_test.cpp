// Buffered reading, line splitting and buffered writing over in-memory channels.
#include <gtest/gtest.h>

#include "io/Streams.h"
#include "tests/support/MemoryStream.h"

namespace {

std::vector<std::string> allLines(ByteStream& stream) {
    BufferedReader reader(stream);
    LineReader lines(reader);
    std::vector<std::string> out;
    std::string line;
    while (lines.readLine(line)) out.push_back(line);
    EXPECT_FALSE(lines.readLine(line));
    EXPECT_TRUE(line.empty());
    return out;
}

std::vector<std::string> bytewise(const std::string& text) {
    std::vector<std::string> chunks;
    for (char c : text) chunks.emplace_back(1, c);
    return chunks;
}

}  // namespace

TEST(LineReader, SplitsAtLfAndDropsEveryCr) {
    const std::string input = "a\r\nb\n\r\nc";
    const std::vector<std::string> expected = {"a", "b", "", "c"};
    ChunkStream whole({input});
    EXPECT_EQ(allLines(whole), expected);
    ChunkStream oneByOne(bytewise(input));
    EXPECT_EQ(allLines(oneByOne), expected);
}

TEST(LineReader, CrInsideLineIsDropped) {
    ChunkStream s({"x\ry"});
    EXPECT_EQ(allLines(s), std::vector<std::string>{"xy"});
}

TEST(LineReader, EmptyStreamGivesNoLine) {
    ChunkStream s({});
    EXPECT_TRUE(allLines(s).empty());
}

TEST(LineReader, ShiftJisPassesUnchanged) {
    const std::string sjis = "\x83\x5c\x83\x74\x83\x67\n";  // "ソフト": trail byte 0x5C
    ChunkStream s({sjis});
    EXPECT_EQ(allLines(s), std::vector<std::string>{sjis.substr(0, 6)});
}

TEST(LineReader, LeavesBytesAfterTheLineInTheSource) {
    ChunkStream s({"head\nbody\x01\x02"});
    BufferedReader reader(s);
    LineReader lines(reader);
    std::string line;
    ASSERT_TRUE(lines.readLine(line));
    EXPECT_EQ(line, "head");
    EXPECT_EQ(reader.next(), 'b');
}

TEST(BufferedReader, EndIsFinalWithoutFurtherReads) {
    ChunkStream s({"ab"});
    BufferedReader r(s);
    EXPECT_EQ(r.next(), 'a');
    EXPECT_EQ(r.next(), 'b');
    EXPECT_EQ(r.next(), -1);
    const int readsAtEnd = s.reads;
    EXPECT_EQ(r.next(), -1);
    EXPECT_EQ(r.next(), -1);
    EXPECT_EQ(s.reads, readsAtEnd);
}

TEST(BufferedReader, ErrorEndsDataLikeClose) {
    ChunkStream s({"z"});
    s.endResult = -1;
    BufferedReader r(s);
    EXPECT_EQ(r.next(), 'z');
    EXPECT_EQ(r.next(), -1);
    EXPECT_EQ(r.next(), -1);
    EXPECT_EQ(s.reads, 2);
}

TEST(BufferedReader, HighBytesAreNonNegative) {
    ChunkStream s({std::string("\xff\x80", 2)});
    BufferedReader r(s);
    EXPECT_EQ(r.next(), 0xff);
    EXPECT_EQ(r.next(), 0x80);
}

TEST(BufferedWriter, WritesFullBufferWhenByte1025Arrives) {
    ChunkStream s({});
    {
        BufferedWriter w(s);
        const std::string data(1025, 'q');
        EXPECT_EQ(w.write(data.data(), 1025), 1025);
        ASSERT_EQ(s.writeSizes, std::vector<int>{1024});
    }  // destruction flushes the last byte
    EXPECT_EQ(s.writeSizes, (std::vector<int>{1024, 1}));
    EXPECT_EQ(s.written.size(), 1025u);
}

TEST(BufferedWriter, FlushRepeatsShortWritesUntilDone) {
    ChunkStream s({});
    s.maxWrite = 7;
    BufferedWriter w(s);
    w.write("0123456789abcdefghij", 20);
    EXPECT_TRUE(w.flush());
    EXPECT_EQ(s.written, "0123456789abcdefghij");
    EXPECT_EQ(s.writeSizes, (std::vector<int>{7, 7, 6}));
}

TEST(BufferedWriter, FailedFlushReportsFalseAndKeepsData) {
    ChunkStream s({});
    s.failWrites = true;
    BufferedWriter w(s);
    EXPECT_TRUE(w.put('x'));
    EXPECT_FALSE(w.flush());
    s.failWrites = false;
    EXPECT_TRUE(w.flush());
    EXPECT_EQ(s.written, "x");
}

TEST(ByteSink, NewlineWritePumpOnStringSink) {
    std::string out;
    StringSink sink(out);
    EXPECT_EQ(sink.write("ab", 2), 2);
    EXPECT_EQ(sink.newline(), 2);
    ChunkStream s({"cd"});
    BufferedReader r(s);
    EXPECT_EQ(sink.pump(r), 2);
    EXPECT_EQ(out, "ab\r\ncd");
    EXPECT_TRUE(sink.reset());
}

namespace {
// Refuses after a fixed number of bytes, to check the base write and newline contracts.
class LimitedSink : public ByteSink {
public:
    explicit LimitedSink(int room) : room_(room) {}
    bool put(int b) override {
        if (room_ == 0) return false;
        --room_;
        got.push_back(static_cast<char>(b));
        return true;
    }
    bool flush() override { return true; }
    std::string got;

private:
    int room_;
};
}  // namespace

TEST(ByteSink, WriteStopsAtFirstRefusalAndNewlineNeedsBothBytes) {
    LimitedSink sink(3);
    EXPECT_EQ(sink.write("abcdef", 6), 3);
    EXPECT_EQ(sink.got, "abc");
    LimitedSink one(1);
    EXPECT_EQ(one.newline(), 0);
}

TEST(BufferedReader, SpansAndBytesInterleaveWithoutLoss) {
    std::string input;
    for (int i = 0; i < 3000; ++i) input.push_back(static_cast<char>(i * 7));
    ChunkStream s({input.substr(0, 5), input.substr(5, 1500), input.substr(1505)});
    BufferedReader r(s);
    std::string out;
    const char* data = nullptr;
    for (int round = 0;; ++round) {
        if (round % 2 == 0) {
            const int b = r.next();
            if (b < 0) break;
            out.push_back(static_cast<char>(b));
        } else {
            const int n = r.takeSpan(&data, 700);
            if (n == 0) break;
            EXPECT_LE(n, 700);
            out.append(data, static_cast<size_t>(n));
        }
    }
    EXPECT_EQ(out, input);
    EXPECT_EQ(r.takeSpan(&data, 10), 0);
    EXPECT_EQ(r.next(), -1);
}
