// Percent-encoding and form-body building.
#include "net/UrlEncode.h"

#include <cstring>

#include "settings/Numbers.h"

namespace {

constexpr char kReserved[] = ";/?:@&=+!*'(),\"#%<>";

bool needsEscape(unsigned char b) {
    if (b <= 0x20 || b >= 0x7F) return true;  // space, controls, DEL and every byte from 0x80
    return std::strchr(kReserved, b) != nullptr;
}

}  // namespace

std::string urlEncode(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (needsEscape(b)) {
            text.push_back('%');
            text.push_back(kDigits[b >> 4]);
            text.push_back(kDigits[b & 0x0F]);
        } else {
            text.push_back(c);
        }
    }
    return text;
}

void appendFormField(std::string& body, const std::string& name, const std::string& value) {
    if (!body.empty()) body += '&';
    body += urlEncode(name);
    body += '=';
    body += urlEncode(value);
}

void appendFormField(std::string& body, const std::string& name, int32_t value) {
    if (!body.empty()) body += '&';
    body += urlEncode(name);
    body += '=';
    body += formatInt(value);
}
