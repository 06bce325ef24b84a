// Readings of the recorder's answer pages: the "main" frame, the last link, the booking verdict.
#pragma once

#include <map>
#include <string>

#include "recorder/HtmlTokenizer.h"

// Collects every frame's src under its name; a later frame of the same name replaces an earlier one.
class FrameCollector : public HtmlHandler {
public:
    bool onText(const std::string&) override { return true; }
    bool onStartTag(const std::string& name, const AttributeMap& attributes) override;
    bool onEndTag(const std::string&) override { return true; }

    // Frame name (as written) to frame src (as written).
    const std::map<std::string, std::string>& frames() const { return frames_; }

private:
    std::map<std::string, std::string> frames_;
};

// Keeps the href of the last "a" start tag; an anchor without href clears it.
class LinkCollector : public HtmlHandler {
public:
    bool onText(const std::string&) override { return true; }
    bool onStartTag(const std::string& name, const AttributeMap& attributes) override;
    bool onEndTag(const std::string&) override { return true; }

    const std::string& lastLink() const { return lastLink_; }

private:
    std::string lastLink_;
};

// The src of the frame named exactly "main", or "" when the page has none.
std::string findMainFrame(const std::string& body);
// The href of the page's last "a" start tag, or "" when there is none or it has no href.
std::string findLastLink(const std::string& body);

// The recorder's verdict on a booking and the text it gave.
struct ResultMessage {
    bool success = false;
    bool answered = false;  // the page holds "msg=" or "alert": a verdict, not some other page
    std::string message;    // Shift_JIS, as the recorder wrote it, backslash escapes removed
};

// The text quoted after the first "msg=" (else the first "alert"); success when the page has no
// "history.back();". Neither keyword: failure with "Unknown...". A keyword without an opening or a
// closing quote after it gives an empty message.
ResultMessage readResultMessage(const std::string& body);

extern const char* const kUnknownResultText;  // "Unknown..."
