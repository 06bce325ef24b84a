// Base64 encoder and decoder filters.
#include "net/Base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kPadValue = 64;  // the value of "="

// The 6-bit value of an alphabet character, kPadValue for "=", -1 for anything else.
int valueOf(int byte) {
    if (byte >= 'A' && byte <= 'Z') return byte - 'A';
    if (byte >= 'a' && byte <= 'z') return byte - 'a' + 26;
    if (byte >= '0' && byte <= '9') return byte - '0' + 52;
    if (byte == '+') return 62;
    if (byte == '/') return 63;
    if (byte == '=') return kPadValue;
    return -1;
}

}  // namespace

bool Base64Encoder::put(int byte) {
    --freePlaces_;
    accumulator_ |= static_cast<uint32_t>(byte & 0xFF) << (8 * freePlaces_);
    return freePlaces_ == 0 ? flush() : true;
}

bool Base64Encoder::flush() {
    if (freePlaces_ == kGroupBytes) return true;
    const int characters = kGroupBytes - freePlaces_ + 1;
    bool ok = true;
    for (int i = 0; i < characters && ok; ++i) {
        ok = downstream_.put(kAlphabet[(accumulator_ >> (18 - 6 * i)) & 0x3F]);
    }
    for (int i = 0; i < freePlaces_ && ok; ++i) ok = downstream_.put('=');
    freePlaces_ = kGroupBytes;
    accumulator_ = 0;
    return ok;
}

bool Base64Encoder::reset() {
    freePlaces_ = kGroupBytes;
    accumulator_ = 0;
    return downstream_.reset();
}

bool Base64Decoder::put(int byte) {
    const int value = valueOf(byte);
    if (value < 0) return true;
    values_[count_++] = value;
    return count_ == kGroupValues ? flush() : true;
}

bool Base64Decoder::flush() {
    if (count_ < kGroupValues) return true;
    count_ = 0;
    const int a = values_[0], b = values_[1], c = values_[2], d = values_[3];
    if (a == kPadValue || b == kPadValue) return false;
    output_.push_back(static_cast<char>((a << 2 | b >> 4) & 0xFF));
    if (c == kPadValue) return true;
    output_.push_back(static_cast<char>((b << 4 | c >> 2) & 0xFF));
    if (d == kPadValue) return true;
    output_.push_back(static_cast<char>((c << 6 | d) & 0xFF));
    return true;
}

bool Base64Decoder::reset() {
    count_ = 0;
    output_.clear();
    return true;
}

std::string base64Encode(const std::string& bytes) {
    std::string text;
    StringSink sink(text);
    Base64Encoder encoder(sink);
    encoder.write(bytes);
    encoder.flush();
    return text;
}

std::string base64Decode(const std::string& text) {
    Base64Decoder decoder;
    // Every byte is offered even after a malformed group, so later groups still decode.
    for (char c : text) decoder.put(static_cast<unsigned char>(c));
    decoder.flush();
    return decoder.output();
}
