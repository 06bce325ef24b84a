// Recursive-descent JSON reader; see Json.h.
#include "Json.h"

#include <cstdlib>

namespace ui {

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : text_(text) {}

    bool document(Json& out) {
        if (!value(out, 0)) return false;
        skipSpace();
        return pos_ == text_.size();
    }

private:
    static constexpr int kMaxDepth = 64;

    void skipSpace() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n')) {
            ++pos_;
        }
    }

    bool literal(const char* word) {
        size_t i = 0;
        for (; word[i] != '\0'; ++i) {
            if (pos_ + i >= text_.size() || text_[pos_ + i] != word[i]) return false;
        }
        pos_ += i;
        return true;
    }

    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool hex4(unsigned& code) {
        if (pos_ + 4 > text_.size()) return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            code <<= 4;
            if (c >= '0' && c <= '9') code |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f') code |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') code |= static_cast<unsigned>(c - 'A' + 10);
            else return false;
        }
        return true;
    }

    bool stringValue(std::string& out) {
        if (pos_ >= text_.size() || text_[pos_] != '"') return false;
        ++pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) return false;
            const char e = text_[pos_++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    unsigned code = 0;
                    if (!hex4(code)) return false;
                    if (code >= 0xD800 && code < 0xDC00 && pos_ + 1 < text_.size() && text_[pos_] == '\\' &&
                        text_[pos_ + 1] == 'u') {
                        pos_ += 2;
                        unsigned low = 0;
                        if (!hex4(low)) return false;
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    }
                    appendUtf8(out, code);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    bool value(Json& out, int depth) {
        if (depth > kMaxDepth) return false;
        skipSpace();
        if (pos_ >= text_.size()) return false;
        const char c = text_[pos_];
        if (c == '{') {
            ++pos_;
            out.kind_ = Json::Kind::Object;
            skipSpace();
            if (pos_ < text_.size() && text_[pos_] == '}') {
                ++pos_;
                return true;
            }
            for (;;) {
                skipSpace();
                std::string key;
                if (!stringValue(key)) return false;
                skipSpace();
                if (pos_ >= text_.size() || text_[pos_] != ':') return false;
                ++pos_;
                Json member;
                if (!value(member, depth + 1)) return false;
                out.members_[key] = std::move(member);
                skipSpace();
                if (pos_ < text_.size() && text_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < text_.size() && text_[pos_] == '}') {
                    ++pos_;
                    return true;
                }
                return false;
            }
        }
        if (c == '[') {
            ++pos_;
            out.kind_ = Json::Kind::Array;
            skipSpace();
            if (pos_ < text_.size() && text_[pos_] == ']') {
                ++pos_;
                return true;
            }
            for (;;) {
                Json item;
                if (!value(item, depth + 1)) return false;
                out.items_.push_back(std::move(item));
                skipSpace();
                if (pos_ < text_.size() && text_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < text_.size() && text_[pos_] == ']') {
                    ++pos_;
                    return true;
                }
                return false;
            }
        }
        if (c == '"') {
            out.kind_ = Json::Kind::String;
            return stringValue(out.string_);
        }
        if (literal("true")) {
            out.kind_ = Json::Kind::Bool;
            out.boolean_ = true;
            return true;
        }
        if (literal("false")) {
            out.kind_ = Json::Kind::Bool;
            return true;
        }
        if (literal("null")) return true;
        const char* begin = text_.c_str() + pos_;
        char* end = nullptr;
        out.number_ = std::strtod(begin, &end);
        if (end == begin) return false;
        out.kind_ = Json::Kind::Number;
        pos_ += static_cast<size_t>(end - begin);
        return true;
    }

    const std::string& text_;
    size_t pos_ = 0;
};

Json Json::parse(const std::string& text, bool* ok) {
    Json result;
    JsonParser parser(text);
    const bool parsed = parser.document(result);
    if (ok != nullptr) *ok = parsed;
    return parsed ? result : Json();
}

const Json& Json::operator[](size_t index) const {
    static const Json missing;
    return kind_ == Kind::Array && index < items_.size() ? items_[index] : missing;
}

const Json& Json::operator[](const std::string& key) const {
    static const Json missing;
    const auto it = members_.find(key);
    return it == members_.end() ? missing : it->second;
}

}  // namespace ui
