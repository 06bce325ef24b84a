// Readings of the recorder's answer pages. The booking answer carries its verdict in a script:
//
//     <script language="JavaScript">
//     alert("他の予約と時間が重なっています。");   <- or: var msg="予約を登録しました。";
//     history.back();                              <- present exactly when the booking was refused
//     </script>
//
// Frame sets and menus are read with the push tokenizer:
//
//     <frame name="main" src="/program/rsv/menu.htm">   <a href="reserve.htm">新規予約</a>
#include "recorder/PageAnalysis.h"

#include "platform/Sjis.h"

const char* const kUnknownResultText = "Unknown...";

namespace {

const std::string& attributeOf(const AttributeMap& attributes, const char* name) {
    static const std::string kNone;
    const auto it = attributes.find(name);
    return it == attributes.end() ? kNone : it->second;
}

}  // namespace

bool FrameCollector::onStartTag(const std::string& name, const AttributeMap& attributes) {
    if (name == "frame") frames_[attributeOf(attributes, "name")] = attributeOf(attributes, "src");
    return true;
}

bool LinkCollector::onStartTag(const std::string& name, const AttributeMap& attributes) {
    if (name == "a") lastLink_ = attributeOf(attributes, "href");
    return true;
}

std::string findMainFrame(const std::string& body) {
    FrameCollector collector;
    parseHtml(body, collector);
    const auto it = collector.frames().find("main");
    return it == collector.frames().end() ? std::string() : it->second;
}

std::string findLastLink(const std::string& body) {
    LinkCollector collector;
    parseHtml(body, collector);
    return collector.lastLink();
}

ResultMessage readResultMessage(const std::string& body) {
    ResultMessage result;
    size_t keyword = body.find("msg=");
    if (keyword == std::string::npos) keyword = body.find("alert");
    if (keyword == std::string::npos) {
        result.message = kUnknownResultText;
        return result;
    }
    result.answered = true;
    result.success = body.find("history.back();") == std::string::npos;

    const size_t open = body.find('"', keyword);
    if (open == std::string::npos) return result;
    // The closing quote is a plain byte search: 0x22 is never a Shift_JIS trail byte.
    const size_t close = body.find('"', open + 1);
    if (close == std::string::npos) return result;

    for (size_t i = open + 1; i < close; ++i) {
        const unsigned char byte = static_cast<unsigned char>(body[i]);
        if (isSjisLeadByte(byte)) {
            result.message += body[i];
            // A lead byte directly before the closing quote is a broken character: keep it alone.
            if (i + 1 < close) result.message += body[++i];
        } else if (byte == '\\') {
            if (i + 1 < close && body[i + 1] == '\\') result.message += '\\';
            ++i;  // the escaped byte (or the lone backslash at the end) is dropped
        } else {
            result.message += body[i];
        }
    }
    return result;
}
