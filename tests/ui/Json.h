// A small JSON reader for the recorder simulator's control answers (UTF-8 in, UTF-8 strings out).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class Json {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    // Parses a whole document; a Null value when the text is not valid JSON.
    static Json parse(const std::string& text, bool* ok = nullptr);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool boolean() const { return boolean_; }
    double number() const { return number_; }
    long long integer() const { return static_cast<long long>(number_); }
    const std::string& string() const { return string_; }
    const std::vector<Json>& items() const { return items_; }
    size_t size() const { return kind_ == Kind::Array ? items_.size() : members_.size(); }
    // Array element or object member; a shared Null value when missing.
    const Json& operator[](size_t index) const;
    const Json& operator[](const std::string& key) const;
    bool has(const std::string& key) const { return members_.count(key) != 0; }

private:
    friend class JsonParser;
    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    double number_ = 0;
    std::string string_;
    std::vector<Json> items_;
    std::map<std::string, Json> members_;
};

}  // namespace ui
