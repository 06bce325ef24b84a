// Code page 932 conversions through the C library's iconv.
#include "platform/Codepage.h"

#include <iconv.h>

#include <cerrno>

namespace {

bool convert(const std::string& in, const char* from, const char* to, std::string& out) {
    if (in.empty()) {
        out.clear();
        return true;
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result(in.size() * 2 + 16, '\0');
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    size_t used = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = &result[used];
        size_t outLeft = result.size() - used;
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        used = result.size() - outLeft;
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                result.resize(result.size() * 2);
                continue;
            }
            ok = false;
            break;
        }
        if (r > 0) {  // irreversible conversions mean a character had no equivalent
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok) return false;
    result.resize(used);
    out.swap(result);
    return true;
}

}  // namespace

bool utf8ToSjis(const std::string& utf8, std::string& out) { return convert(utf8, "UTF-8", "CP932", out); }
bool sjisToUtf8(const std::string& sjis, std::string& out) { return convert(sjis, "CP932", "UTF-8", out); }
