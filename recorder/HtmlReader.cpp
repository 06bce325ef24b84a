// The pull HTML reader. Input such as
//   <TR><td>12</td><td><IMG SRC="/img/parts/check_on.gif" alt=on></td><!-- x > y -->a<b
// gives StartTag "tr", StartTag "td", Text "12", EndTag "td", StartTag "td", StartTag "img"
// (src "/img/parts/check_on.gif", alt "on"), EndTag "td", Comment "-- x > y --", Text "a<b",
// then EndOfInput.
#include "recorder/HtmlReader.h"

#include <cstring>

#include "recorder/HtmlText.h"
#include "recorder/MemorySource.h"

namespace {

constexpr char kStrayLess[] = "&lt;";  // a "<" that is not markup stays in the text in this form
constexpr char kCDataOpening[] = "[CDATA[";
constexpr size_t kCDataOpeningLength = sizeof(kCDataOpening) - 1;

bool isWhiteSpace(int b) { return b <= 0x20; }
bool isQuote(int b) { return b == '"' || b == '\''; }
char lowerAscii(int b) { return static_cast<char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b); }

}  // namespace

void HtmlReader::open(ByteSource* source) {
    source_ = source;
    memory_ = dynamic_cast<MemorySource*>(source);
    kind_ = TokenKind::Ready;
    pushedCount_ = 0;
    name_.clear();
    rawText_.clear();
    content_.clear();
    attributes_.clear();
    decodedValid_ = false;
}

int HtmlReader::readByte() {
    if (pushedCount_ > 0) return pushed_[--pushedCount_];
    if (memory_ != nullptr) return memory_->next();  // MemorySource is final: no virtual call
    return source_ != nullptr ? source_->next() : -1;
}

TokenKind HtmlReader::finish(TokenKind kind) {
    kind_ = kind;
    return kind;
}

void HtmlReader::storeAttribute() {
    if (attributeName_.empty()) return;
    attributes_[attributeName_] = attributeValue_;
    attributeName_.clear();
    attributeValue_.clear();
}

TokenKind HtmlReader::next() {
    if (kind_ == TokenKind::Error || kind_ == TokenKind::EndOfInput) return kind_;
    decodedValid_ = false;
    State state = State::TokenStart;
    int quote = 0;           // the quote that opened the current attribute value
    int commentFirst = -1;   // the first byte after "<!"
    int dashes = 0;          // consecutive "-" bytes just read in a comment
    bool reexamine = false;  // hand the byte just read to the new state instead of reading on
    int b = -1;
    for (;;) {
        if (!reexamine) b = readByte();
        reexamine = false;
        switch (state) {
        case State::TokenStart:
            if (b < 0) return finish(TokenKind::EndOfInput);
            if (b == '<') {
                state = State::Markup;
            } else {
                rawText_.clear();
                rawText_.push_back(static_cast<char>(b));
                state = State::Text;
            }
            break;

        case State::Text:
            if (b < 0) return finish(TokenKind::Text);
            if (b == '<') {
                state = State::TextAfterLess;
            } else if (pushedCount_ == 0 && memory_ != nullptr) {
                // Copy the rest of the run up to the next "<" in one go.
                rawText_.push_back(static_cast<char>(b));
                const char* from = memory_->position();
                const void* less = std::memchr(from, '<', static_cast<size_t>(memory_->end() - from));
                const char* to = less != nullptr ? static_cast<const char*>(less) : memory_->end();
                rawText_.append(from, to);
                memory_->skipTo(to);
            } else {
                rawText_.push_back(static_cast<char>(b));
            }
            break;

        case State::TextAfterLess:
            if (b < 0) {
                rawText_.append(kStrayLess);
                return finish(TokenKind::Text);
            }
            if (b == '<') {
                rawText_.append(kStrayLess);  // the second "<" is examined the same way
            } else if (b >= 0x80) {
                rawText_.append(kStrayLess);  // a Shift_JIS byte: no markup starts here
                rawText_.push_back(static_cast<char>(b));
                state = State::Text;
            } else {
                // Markup follows: the next call starts with the "<".
                pushBack(b);
                pushBack('<');
                return finish(TokenKind::Text);
            }
            break;

        case State::Markup:
            if (b == '/') {
                name_.clear();
                state = State::EndTagName;
            } else if (b == '!') {
                content_.clear();
                state = State::Comment;
            } else {
                name_.clear();
                attributes_.clear();
                state = State::TagName;
                reexamine = true;
            }
            break;

        case State::EndTagName:
            if (b < 0) return finish(TokenKind::Error);
            if (b == '>') return finish(TokenKind::EndTag);
            if (isWhiteSpace(b)) {
                state = State::EndTagRest;
            } else {
                name_.push_back(lowerAscii(b));
            }
            break;

        case State::EndTagRest:
            if (b < 0) return finish(TokenKind::Error);
            if (b == '>') return finish(TokenKind::EndTag);
            break;

        case State::TagName:
            if (b < 0) return finish(TokenKind::Error);
            if (b == '>') return finish(TokenKind::StartTag);
            if (isWhiteSpace(b) || b == '/') {
                attributeName_.clear();
                attributeValue_.clear();
                state = State::AttributeName;
                reexamine = true;
            } else {
                name_.push_back(lowerAscii(b));
            }
            break;

        case State::AttributeName:
            if (b < 0) return finish(TokenKind::Error);
            if (b == '>') {
                storeAttribute();
                return finish(TokenKind::StartTag);
            }
            if (isWhiteSpace(b)) {
                state = State::AttributeGap;
            } else if (b == '=') {
                state = State::AttributeEquals;
            } else {
                attributeName_.push_back(lowerAscii(b));  // quotes included
            }
            break;

        case State::AttributeGap:
            if (b < 0) return finish(TokenKind::Error);
            if (b == '>') {
                storeAttribute();
                return finish(TokenKind::StartTag);
            }
            if (isWhiteSpace(b)) {
                // skip
            } else if (b == '=') {
                state = State::AttributeEquals;
            } else if (isQuote(b)) {
                attributeValue_.push_back(static_cast<char>(b));
            } else {
                storeAttribute();  // a name without a value
                attributeName_.push_back(lowerAscii(b));
                state = State::AttributeName;
            }
            break;

        case State::AttributeEquals:
            if (b < 0) return finish(TokenKind::Error);
            if (b == '>') {
                storeAttribute();
                return finish(TokenKind::StartTag);
            }
            if (isWhiteSpace(b)) {
                // skip
            } else if (isQuote(b)) {
                quote = b;
                state = State::AttributeQuoted;
            } else if (b == '=') {
                storeAttribute();  // "a==b": a has no value, the second "=" is dropped
                state = State::AttributeName;
            } else {
                attributeValue_.push_back(static_cast<char>(b));
                state = State::AttributeUnquoted;
            }
            break;

        case State::AttributeUnquoted:
            if (b < 0) return finish(TokenKind::Error);
            if (b == '>') {
                storeAttribute();
                return finish(TokenKind::StartTag);
            }
            if (isWhiteSpace(b)) {
                storeAttribute();
                state = State::AttributeName;
            } else {
                attributeValue_.push_back(static_cast<char>(b));  // quotes and "=" included
            }
            break;

        case State::AttributeQuoted:
            if (b < 0) return finish(TokenKind::Error);
            if (b == quote) {
                state = State::AttributeClosed;
            } else {
                attributeValue_.push_back(static_cast<char>(b));  // ">", white space, the other quote
            }
            break;

        case State::AttributeClosed:
            if (b < 0) return finish(TokenKind::Error);
            if (b == '>') {
                storeAttribute();
                return finish(TokenKind::StartTag);
            }
            if (isWhiteSpace(b)) {
                storeAttribute();
                state = State::AttributeName;
            } else if (isQuote(b)) {
                attributeValue_.push_back(static_cast<char>(b));
            } else {
                storeAttribute();  // any other byte directly after the closing quote is dropped
                state = State::AttributeName;
            }
            break;

        case State::Comment:
            if (b < 0) return finish(TokenKind::Error);
            if (commentFirst < 0) commentFirst = b;
            // A comment opened with "-" ends only at a ">" right after a "-"; other markup at its first ">".
            if (b == '>' && (commentFirst != '-' || dashes > 0)) return finish(TokenKind::Comment);
            content_.push_back(static_cast<char>(b));
            dashes = b == '-' ? dashes + 1 : 0;
            if (content_.size() == kCDataOpeningLength && content_ == kCDataOpening) {
                content_.clear();
                state = State::CData;
            }
            break;

        case State::CData: {
            if (b < 0) return finish(TokenKind::Error);
            const size_t size = content_.size();
            if (b == '>' && size >= 2 && content_[size - 1] == ']' && content_[size - 2] == ']') {
                content_.resize(size - 2);
                return finish(TokenKind::CData);
            }
            content_.push_back(static_cast<char>(b));
            break;
        }
        }
    }
}

bool HtmlReader::findTag(const std::string& name) {
    for (;;) {
        const TokenKind kind = next();
        if (kind == TokenKind::Error || kind == TokenKind::EndOfInput) return false;
        if ((kind == TokenKind::StartTag || kind == TokenKind::EndTag) && name_ == name) return true;
    }
}

bool HtmlReader::findStartTag(const std::string& name) {
    while (findTag(name)) {
        if (kind_ == TokenKind::StartTag) return true;
    }
    return false;
}

const std::string& HtmlReader::attribute(const std::string& name) const {
    static const std::string kNone;
    const auto found = attributes_.find(name);
    return found != attributes_.end() ? found->second : kNone;
}

const std::string& HtmlReader::text() {
    if (!decodedValid_) {
        decoded_.clear();
        appendHtmlText(rawText_.data(), rawText_.size(), HtmlEntities::Extended, true, decoded_);
        decodedValid_ = true;
    }
    return decoded_;
}

std::string HtmlReader::decodeText(const std::string& raw, bool collapseWhiteSpace) {
    std::string out;
    appendHtmlText(raw.data(), raw.size(), HtmlEntities::Extended, collapseWhiteSpace, out);
    return out;
}
