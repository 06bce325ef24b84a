// The pull HTML reader: the caller asks for the next token or skips forward to a tag by name.
#pragma once

#include <string>

#include "io/Streams.h"
#include "recorder/HtmlTokenizer.h"

class MemorySource;

// What next() found; the codes are fixed. Error and EndOfInput are final.
enum class TokenKind {
    Error = 0,       // the input ended inside a tag, comment or CDATA section
    Ready = 1,       // opened, nothing read yet
    EndOfInput = 2,
    Text = 3,
    Comment = 4,     // any "<!" markup that is not CDATA
    StartTag = 5,
    EndTag = 6,
    CData = 7,
};

// Lenient one-pass reader holding only the current token.
class HtmlReader {
public:
    // Starts reading the source (not owned; it must outlive the reading). A null source reads as empty.
    void open(ByteSource* source);
    // Reads the next token and returns its kind; after Error or EndOfInput returns that again.
    TokenKind next();
    // Reads on to the next start or end tag with exactly this (lower-case) name; false at Error or EndOfInput.
    bool findTag(const std::string& name);
    // Reads on to the next start tag with exactly this (lower-case) name; false at Error or EndOfInput.
    bool findStartTag(const std::string& name);

    TokenKind kind() const { return kind_; }
    // The lower-cased name of the last tag read.
    const std::string& tagName() const { return name_; }
    // The value of the current start tag's attribute (name compared exactly), or "" when it has none.
    const std::string& attribute(const std::string& name) const;
    const AttributeMap& attributes() const { return attributes_; }
    // The last text token as read, a stray "<" written as "&lt;".
    const std::string& rawText() const { return rawText_; }
    // The last text token decoded with white space collapsed; valid until the next call of next().
    const std::string& text();
    // The content of the last comment (between "<!" and ">") or CDATA section (without its brackets).
    const std::string& content() const { return content_; }

    // Replaces entities (including "&copy;" and "&#39;") and, when asked, collapses white space.
    static std::string decodeText(const std::string& raw, bool collapseWhiteSpace = true);

private:
    enum class State {
        TokenStart,
        Text,
        TextAfterLess,  // a "<" inside text: markup follows, or it is a stray "<"
        Markup,         // just after "<" at the start of a token
        EndTagName,
        EndTagRest,     // white space seen in an end tag; skipping to ">"
        TagName,
        AttributeName,
        AttributeGap,       // white space after an attribute name
        AttributeEquals,    // just after "="
        AttributeUnquoted,
        AttributeQuoted,
        AttributeClosed,    // just after the closing quote
        Comment,
        CData,
    };

    int readByte();
    void pushBack(int byte) { pushed_[pushedCount_++] = static_cast<unsigned char>(byte); }
    void storeAttribute();
    TokenKind finish(TokenKind kind);

    TokenKind kind_ = TokenKind::Ready;
    ByteSource* source_ = nullptr;
    MemorySource* memory_ = nullptr;  // the source, when it allows reading without virtual calls
    unsigned char pushed_[2] = {};
    int pushedCount_ = 0;
    std::string name_;
    std::string rawText_;
    std::string content_;
    AttributeMap attributes_;
    std::string attributeName_;
    std::string attributeValue_;
    std::string decoded_;
    bool decodedValid_ = false;
};
