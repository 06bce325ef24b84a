// Integer conversions independent of the C library's long width and locale.
#include "settings/Numbers.h"

namespace {

bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int digitValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

}  // namespace

int32_t parseLong32(const std::string& text, int base) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && isSpace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // A "0x" prefix counts only when a hexadecimal digit follows; otherwise the "0" alone is the number.
    const bool hexPrefix = i + 2 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
                           digitValue(static_cast<unsigned char>(text[i + 2])) < 16;
    if (base == 0) {
        if (hexPrefix) {
            base = 16;
            i += 2;
        } else if (i < n && text[i] == '0') {
            base = 8;
        } else {
            base = 10;
        }
    } else if (base == 16 && hexPrefix) {
        i += 2;
    }
    if (base < 2 || base > 36) return 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t value = 0;
    for (; i < n; ++i) {
        const int d = digitValue(static_cast<unsigned char>(text[i]));
        if (d >= base) break;
        value = value * base + d;
        if (value > limit) value = limit;  // saturate; keep consuming digits
    }
    return static_cast<int32_t>(negative ? -value : value);
}

int32_t parseDecimal(const std::string& text) { return parseLong32(text, 10); }

std::string formatInt(int32_t value) { return std::to_string(value); }
