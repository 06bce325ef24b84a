// MD5 as specified in RFC 1321, HMAC-MD5 and the APOP digest.
#include "net/Md5.h"

#include <cstring>

namespace {

constexpr unsigned char kInnerPad = 0x36;
constexpr unsigned char kOuterPad = 0x5C;

// Per-step shift amounts and sine-derived constants of RFC 1321, in step order.
constexpr int kShifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                             5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                             4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                             6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

uint32_t rotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// Clears secret material in a way the optimiser may not drop as a dead store.
void wipe(void* data, size_t length) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (length--) *p++ = 0;
}

// The bytes before the first zero byte.
std::string upToZero(const std::string& text) {
    const size_t end = text.find('\0');
    return end == std::string::npos ? text : text.substr(0, end);
}

}  // namespace

Md5::Md5() { start(); }

Md5::~Md5() {
    wipe(state_, sizeof state_);
    wipe(&bitCount_, sizeof bitCount_);
    wipe(buffer_, sizeof buffer_);
}

void Md5::start() {
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    bitCount_ = 0;
}

void Md5::transform(const unsigned char block[kMd5BlockSize]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        x[i] = static_cast<uint32_t>(block[4 * i]) | static_cast<uint32_t>(block[4 * i + 1]) << 8 |
               static_cast<uint32_t>(block[4 * i + 2]) << 16 | static_cast<uint32_t>(block[4 * i + 3]) << 24;
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (b & d) | (c & ~d);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t rotated = rotateLeft(a + f + kSines[i] + x[g], kShifts[i]);
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    wipe(x, sizeof x);
}

void Md5::update(const void* data, size_t length) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    size_t used = static_cast<size_t>((bitCount_ >> 3) % kMd5BlockSize);
    bitCount_ += static_cast<uint64_t>(length) << 3;
    if (used > 0) {
        const size_t take = length < kMd5BlockSize - used ? length : kMd5BlockSize - used;
        std::memcpy(buffer_ + used, bytes, take);
        bytes += take;
        length -= take;
        used += take;
        if (used < kMd5BlockSize) return;
        transform(buffer_);
    }
    for (; length >= kMd5BlockSize; bytes += kMd5BlockSize, length -= kMd5BlockSize) transform(bytes);
    if (length > 0) std::memcpy(buffer_, bytes, length);
}

void Md5::final(unsigned char digest[kMd5DigestSize]) {
    const uint64_t bits = bitCount_;
    // Padding: one 1 bit, zeros up to 56 bytes into a block, then the bit count (little-endian).
    unsigned char padding[kMd5BlockSize + 8] = {0x80};
    const size_t used = static_cast<size_t>((bits >> 3) % kMd5BlockSize);
    const size_t padLength = used < 56 ? 56 - used : 120 - used;
    update(padding, padLength);
    unsigned char length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(bits >> (8 * i));
    update(length, sizeof length);
    for (int i = 0; i < 16; ++i) digest[i] = static_cast<unsigned char>(state_[i / 4] >> (8 * (i % 4)));
    wipe(state_, sizeof state_);
    wipe(buffer_, sizeof buffer_);
    start();
}

std::string md5Digest(const std::string& bytes) {
    Md5 md5;
    md5.update(bytes);
    unsigned char digest[kMd5DigestSize];
    md5.final(digest);
    return std::string(reinterpret_cast<const char*>(digest), kMd5DigestSize);
}

std::string hmacMd5(const std::string& key, const std::string& message) {
    std::string usedKey = upToZero(key);
    if (usedKey.size() > kMd5BlockSize) usedKey = md5Digest(usedKey);
    unsigned char block[kMd5BlockSize] = {};
    std::memcpy(block, usedKey.data(), usedKey.size());
    wipe(&usedKey[0], usedKey.size());

    unsigned char padded[kMd5BlockSize];
    for (size_t i = 0; i < kMd5BlockSize; ++i) padded[i] = block[i] ^ kInnerPad;
    Md5 md5;
    md5.update(padded, kMd5BlockSize);
    md5.update(upToZero(message));
    unsigned char inner[kMd5DigestSize];
    md5.final(inner);

    for (size_t i = 0; i < kMd5BlockSize; ++i) padded[i] = block[i] ^ kOuterPad;
    md5.update(padded, kMd5BlockSize);
    md5.update(inner, kMd5DigestSize);
    unsigned char result[kMd5DigestSize];
    md5.final(result);
    wipe(block, sizeof block);
    wipe(padded, sizeof padded);
    return std::string(reinterpret_cast<const char*>(result), kMd5DigestSize);
}

std::string apopDigest(const std::string& greetingLine, const std::string& password) {
    const size_t start = greetingLine.find('<');
    if (start == std::string::npos) return std::string();
    Md5 md5;
    md5.update(greetingLine.data() + start, greetingLine.size() - start);
    md5.update(password);
    unsigned char digest[kMd5DigestSize];
    md5.final(digest);
    return hexLower(std::string(reinterpret_cast<const char*>(digest), kMd5DigestSize));
}

std::string hexLower(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}
