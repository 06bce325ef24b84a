// The push HTML reader: reports each text run, start tag and end tag of a page to a handler.
#pragma once

#include <map>
#include <string>

#include "io/Streams.h"

// Attribute name (lower-cased) to value (as written), ordered by byte-wise name comparison.
using AttributeMap = std::map<std::string, std::string>;

// Receives the events of a tokenizer run. Slot order is fixed: destructor, onText, onStartTag, onEndTag.
// Each event returns false to stop the run at once.
class HtmlHandler {
public:
    virtual ~HtmlHandler() = default;
    // A text run between tags, entities decoded and white space collapsed; never empty.
    virtual bool onText(const std::string& text) = 0;
    // A start tag: lower-cased name and its attributes.
    virtual bool onStartTag(const std::string& name, const AttributeMap& attributes) = 0;
    // An end tag: lower-cased name without the "/".
    virtual bool onEndTag(const std::string& name) = 0;
};

// Lenient one-pass tokenizer with no notion of comments, scripts or CDATA: "<!-- a -->" is a
// start tag named "!--". A tag still open at the end of the input is dropped.
class HtmlTokenizer {
public:
    // Reads the source to its end, reporting to the handler. False when either is missing
    // (nothing is read) or when a handler call returned false (the run stopped there).
    bool run(ByteSource* source, HtmlHandler* handler);

private:
    enum class State {
        Text,           // between tags
        TagName,        // just after "<"
        AttributeName,  // inside a tag, between attributes or in a name
        AfterEquals,    // just after "="
        UnquotedValue,
        QuotedValue,    // inside double quotes
    };

    // Runs the state machine over [data, end); returns where it stopped (end unless a handler refused).
    const char* feed(const char* data, const char* end);
    bool flushText();
    bool endTag();
    void storeAttribute();

    State state_ = State::Text;
    std::string tagName_;
    std::string attributeName_;
    std::string buffer_;  // the pending text between tags; inside a tag, the attribute value
    AttributeMap attributes_;
    std::string scratch_;  // decoded text or end-tag name handed to the handler, reused between events
    HtmlHandler* handler_ = nullptr;
    bool stopped_ = false;
};

// Tokenizes a whole response body; false when a handler call returned false.
bool parseHtml(const std::string& body, HtmlHandler& handler);
