// The push HTML reader. Input such as
//   <TD Class=x nowrap>a &amp;  b</TD><a href="/p/e.htm">
// gives onStartTag("td", {class: "x", nowrap: ""}), onText("a & b"), onEndTag("td"),
// onStartTag("a", {href: "/p/e.htm"}).
#include "recorder/HtmlTokenizer.h"

#include <cstring>

#include "recorder/HtmlText.h"
#include "recorder/MemorySource.h"

namespace {

// The attribute states use the classic C white-space set; the tag-name state only blank and tab.
bool isAttributeSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

char lowerAscii(unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); }

}  // namespace

bool HtmlTokenizer::run(ByteSource* source, HtmlHandler* handler) {
    if (source == nullptr || handler == nullptr) return false;
    state_ = State::Text;
    tagName_.clear();
    attributeName_.clear();
    buffer_.clear();
    attributes_.clear();
    handler_ = handler;
    stopped_ = false;

    if (auto* memory = dynamic_cast<MemorySource*>(source)) {
        // Bytes in memory are scanned in place; the source is left just after the last byte used.
        memory->skipTo(feed(memory->position(), memory->end()));
    } else {
        // Any other source is read one byte at a time, so a stop leaves the rest of it unread.
        while (!stopped_) {
            const int b = source->next();
            if (b < 0) break;
            const char c = static_cast<char>(b);
            feed(&c, &c + 1);
        }
    }
    if (!stopped_ && state_ == State::Text) flushText();
    handler_ = nullptr;
    return !stopped_;
}

const char* HtmlTokenizer::feed(const char* data, const char* end) {
    const char* p = data;
    while (p < end && !stopped_) {
        switch (state_) {
        case State::Text: {
            // Everything up to the next "<" is text; copy the run in one go.
            const void* less = std::memchr(p, '<', static_cast<size_t>(end - p));
            const char* stop = less != nullptr ? static_cast<const char*>(less) : end;
            buffer_.append(p, stop);
            p = stop;
            if (p < end) {
                ++p;
                if (flushText()) state_ = State::TagName;
            }
            break;
        }
        case State::TagName: {
            const unsigned char c = static_cast<unsigned char>(*p++);
            if (c == ' ' || c == '\t') {
                state_ = State::AttributeName;
            } else if (c == '>') {
                endTag();
            } else {
                tagName_.push_back(lowerAscii(c));
            }
            break;
        }
        case State::AttributeName: {
            const unsigned char c = static_cast<unsigned char>(*p++);
            if (c == '=') {
                state_ = State::AfterEquals;
            } else if (isAttributeSpace(c)) {
                storeAttribute();
            } else if (c == '>') {
                endTag();
            } else {
                attributeName_.push_back(lowerAscii(c));
            }
            break;
        }
        case State::AfterEquals: {
            const unsigned char c = static_cast<unsigned char>(*p++);
            if (c == '"') {
                state_ = State::QuotedValue;
            } else if (isAttributeSpace(c)) {
                storeAttribute();
                state_ = State::AttributeName;
            } else if (c == '>') {
                endTag();
            } else {
                buffer_.push_back(static_cast<char>(c));
                state_ = State::UnquotedValue;
            }
            break;
        }
        case State::UnquotedValue: {
            const unsigned char c = static_cast<unsigned char>(*p++);
            if (isAttributeSpace(c)) {
                storeAttribute();
                state_ = State::AttributeName;
            } else if (c == '>') {
                endTag();
            } else {
                buffer_.push_back(static_cast<char>(c));
            }
            break;
        }
        case State::QuotedValue: {
            // Everything up to the closing double quote, ">" and white space included, is the value.
            const void* quote = std::memchr(p, '"', static_cast<size_t>(end - p));
            const char* stop = quote != nullptr ? static_cast<const char*>(quote) : end;
            buffer_.append(p, stop);
            p = stop;
            if (p < end) {
                ++p;
                storeAttribute();
                state_ = State::AttributeName;
            }
            break;
        }
        }
    }
    return p;
}

bool HtmlTokenizer::flushText() {
    scratch_.clear();
    appendHtmlText(buffer_.data(), buffer_.size(), HtmlEntities::Basic, true, scratch_);
    buffer_.clear();
    if (!scratch_.empty() && !handler_->onText(scratch_)) stopped_ = true;
    return !stopped_;
}

bool HtmlTokenizer::endTag() {
    bool accepted;
    if (!tagName_.empty() && tagName_[0] == '/') {
        scratch_.assign(tagName_, 1, std::string::npos);
        accepted = handler_->onEndTag(scratch_);
    } else {
        storeAttribute();
        accepted = handler_->onStartTag(tagName_, attributes_);
    }
    tagName_.clear();
    attributeName_.clear();
    buffer_.clear();
    attributes_.clear();
    state_ = State::Text;
    if (!accepted) stopped_ = true;
    return accepted;
}

void HtmlTokenizer::storeAttribute() {
    if (!attributeName_.empty()) attributes_[attributeName_] = buffer_;
    attributeName_.clear();
    buffer_.clear();
}

bool parseHtml(const std::string& body, HtmlHandler& handler) {
    MemorySource source(body);
    HtmlTokenizer tokenizer;
    return tokenizer.run(&source, &handler);
}
