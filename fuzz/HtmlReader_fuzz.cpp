// Fuzzes the pull HTML reader: every loop ends, in-memory and byte-wise reading agree, names are well-formed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "recorder/HtmlReader.h"
#include "recorder/MemorySource.h"
#include "tests/support/StringSource.h"

namespace {

// Reads every token; traps when the loop runs longer than the input allows.
std::vector<std::string> readAll(ByteSource& source, size_t size) {
    HtmlReader reader;
    reader.open(&source);
    std::vector<std::string> tokens;
    for (;;) {
        const TokenKind kind = reader.next();
        if (tokens.size() + 1 > size + 2) __builtin_trap();
        std::string line(1, static_cast<char>('0' + static_cast<int>(kind)));
        switch (kind) {
        case TokenKind::Text:
            line += reader.rawText() + '\0' + reader.text();
            if (reader.text() != HtmlReader::decodeText(reader.rawText())) __builtin_trap();
            break;
        case TokenKind::StartTag:
            if (hasUpperCase(reader.tagName())) __builtin_trap();
            line += reader.tagName();
            for (const auto& [key, value] : reader.attributes()) {
                if (key.empty() || hasUpperCase(key) || reader.attribute(key) != value) __builtin_trap();
                line += '\0' + key + '\0' + value;
            }
            break;
        case TokenKind::EndTag:
            if (hasUpperCase(reader.tagName()) || reader.tagName().find('>') != std::string::npos) __builtin_trap();
            line += reader.tagName();
            break;
        case TokenKind::Comment:
        case TokenKind::CData:
            line += reader.content();
            break;
        case TokenKind::Error:
        case TokenKind::EndOfInput:
            tokens.push_back(line);
            if (reader.next() != kind || reader.findTag("a") || reader.findStartTag("a")) __builtin_trap();
            return tokens;
        case TokenKind::Ready:
            __builtin_trap();
        }
        tokens.push_back(line);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    MemorySource memory(input);
    const std::vector<std::string> tokens = readAll(memory, size);
    StringSource bytewise(data, size);
    if (readAll(bytewise, size) != tokens) __builtin_trap();

    // A findStartTag loop ends, and each find lands on a start tag of that name.
    for (const char* name : {"td", "a", ""}) {
        MemorySource again(input);
        HtmlReader reader;
        reader.open(&again);
        size_t found = 0;
        while (reader.findStartTag(name)) {
            if (reader.kind() != TokenKind::StartTag || reader.tagName() != name) __builtin_trap();
            if (++found > size) __builtin_trap();
        }
    }
    return 0;
}
